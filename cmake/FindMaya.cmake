# FindMaya
# --------
# Finds the host's C++ SDK: the headers under include/maya/ and the OpenMaya,
# OpenMayaAnim and Foundation libraries.
#
# Input: MAYA_LOCATION, as a CMake variable or else from the environment. Either the
# host's installation folder or an unpacked devkit folder:
#   Linux    /usr/autodesk/maya<year>                 include/maya/*.h, lib/libOpenMaya.so
#   Windows  C:/Program Files/Autodesk/Maya<year>     include/maya/*.h, lib/OpenMaya.lib
#   macOS    /Applications/Autodesk/maya<year>        include/maya/*.h,
#            (or its Maya.app/Contents folder)         Maya.app/Contents/MacOS/libOpenMaya.dylib
#   devkit   <devkitBase>                             include/maya/*.h, lib/
#
# Result variables:
#   Maya_FOUND, Maya_INCLUDE_DIR, Maya_LIBRARIES
#   Maya_API_VERSION    MAYA_API_VERSION from maya/MTypes.h, when the header states it
#   Maya_PLUGIN_SUFFIX  file suffix the host loads plug-ins with (.so, .mll, .bundle)
#
# Imported targets:
#   Maya::OpenMaya, Maya::OpenMayaAnim, Maya::Foundation
#   Maya::Maya  all three, the include folder and the definitions the SDK headers expect

if(NOT MAYA_LOCATION AND DEFINED ENV{MAYA_LOCATION})
    file(TO_CMAKE_PATH "$ENV{MAYA_LOCATION}" MAYA_LOCATION)
endif()

# Only the given location is searched: a system-wide copy of a different SDK version
# must never be picked up silently.
set(_maya_roots "${MAYA_LOCATION}")
if(APPLE)
    # Both the installation folder and its application bundle are accepted.
    list(APPEND _maya_roots "${MAYA_LOCATION}/../.." "${MAYA_LOCATION}/Maya.app/Contents")
endif()

set(_maya_include_hints)
set(_maya_library_hints)
foreach(_root IN LISTS _maya_roots)
    list(APPEND _maya_include_hints "${_root}/include" "${_root}/devkit/include")
    list(APPEND _maya_library_hints "${_root}/lib" "${_root}/MacOS")
endforeach()

find_path(Maya_INCLUDE_DIR maya/MFnPlugin.h
    HINTS ${_maya_include_hints}
    NO_DEFAULT_PATH)

set(_maya_library_vars)
foreach(_lib IN ITEMS OpenMaya OpenMayaAnim Foundation)
    find_library(Maya_${_lib}_LIBRARY ${_lib}
        HINTS ${_maya_library_hints}
        NO_DEFAULT_PATH)
    list(APPEND _maya_library_vars Maya_${_lib}_LIBRARY)
endforeach()

if(Maya_INCLUDE_DIR AND EXISTS "${Maya_INCLUDE_DIR}/maya/MTypes.h")
    file(STRINGS "${Maya_INCLUDE_DIR}/maya/MTypes.h" _maya_version_line
        REGEX "^#define[ \t]+MAYA_API_VERSION[ \t]+[0-9]+")
    if(_maya_version_line)
        string(REGEX REPLACE "^#define[ \t]+MAYA_API_VERSION[ \t]+([0-9]+).*" "\\1"
            Maya_API_VERSION "${_maya_version_line}")
    endif()
endif()

if(WIN32)
    set(Maya_PLUGIN_SUFFIX ".mll")
elseif(APPLE)
    set(Maya_PLUGIN_SUFFIX ".bundle")
else()
    set(Maya_PLUGIN_SUFFIX ".so")
endif()

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Maya
    REQUIRED_VARS Maya_INCLUDE_DIR ${_maya_library_vars}
    REASON_FAILURE_MESSAGE
        "Set MAYA_LOCATION to the host's installation or devkit folder (now: '${MAYA_LOCATION}').")

if(Maya_FOUND)
    set(Maya_LIBRARIES ${Maya_OpenMaya_LIBRARY} ${Maya_OpenMayaAnim_LIBRARY}
        ${Maya_Foundation_LIBRARY})
    foreach(_lib IN ITEMS OpenMaya OpenMayaAnim Foundation)
        if(NOT TARGET Maya::${_lib})
            add_library(Maya::${_lib} UNKNOWN IMPORTED)
            set_target_properties(Maya::${_lib} PROPERTIES
                IMPORTED_LOCATION "${Maya_${_lib}_LIBRARY}"
                INTERFACE_INCLUDE_DIRECTORIES "${Maya_INCLUDE_DIR}")
        endif()
    endforeach()

    if(NOT TARGET Maya::Maya)
        add_library(Maya::Maya INTERFACE IMPORTED)
        # _BOOL: the compiler has a bool type; REQUIRE_IOSTREAM: the headers use the
        # standard <iostream> rather than the pre-standard streams.
        set(_maya_definitions _BOOL REQUIRE_IOSTREAM)
        if(WIN32)
            list(APPEND _maya_definitions NT_PLUGIN)
        elseif(APPLE)
            list(APPEND _maya_definitions OSMac_ MAC_PLUGIN)
        else()
            list(APPEND _maya_definitions LINUX)
        endif()
        set_target_properties(Maya::Maya PROPERTIES
            INTERFACE_INCLUDE_DIRECTORIES "${Maya_INCLUDE_DIR}"
            INTERFACE_COMPILE_DEFINITIONS "${_maya_definitions}"
            INTERFACE_COMPILE_FEATURES cxx_std_17
            INTERFACE_LINK_LIBRARIES "Maya::OpenMaya;Maya::OpenMayaAnim;Maya::Foundation")
    endif()
endif()

mark_as_advanced(Maya_INCLUDE_DIR ${_maya_library_vars})
unset(_maya_roots)
unset(_maya_include_hints)
unset(_maya_library_hints)
unset(_maya_library_vars)
unset(_maya_version_line)
unset(_maya_definitions)
