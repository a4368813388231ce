# A folder laid out like the host's devkit, made from the stand-in SDK, so that the
# real-SDK build (-DMAYA_LOCATION=...) can be built and loaded here:
#   devkit/include/maya/*.h      the stand-in headers
#   devkit/lib/libOpenMaya.so    a copy of the stand-in library
#   devkit/lib/libOpenMayaAnim.so, devkit/lib/libFoundation.so   empty libraries
#
# The copy keeps the stand-in's SONAME (libstandin.so). A module linked against it
# therefore records libstandin.so as its dependency, and when bvhhost (which links the
# stand-in) loads that module, the dynamic loader binds it to the library already in the
# process: one scene and one translator registry, as in the host. A copy with a SONAME of
# its own would be loaded beside the stand-in and hold a second, empty scene.
# The stand-in provides every SDK symbol, so the other two libraries are empty; they are
# real shared libraries, so that the link and the loader treat them as the SDK's.
# ELF platforms only.

set(BVHIO_DEVKIT_DIR ${PROJECT_BINARY_DIR}/devkit)
file(GLOB _devkit_headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/host/include/maya/*.h)

add_custom_command(
    OUTPUT ${BVHIO_DEVKIT_DIR}/include/maya.stamp ${BVHIO_DEVKIT_DIR}/lib/libOpenMaya.so
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${BVHIO_DEVKIT_DIR}/include/maya
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/host/include/maya
            ${BVHIO_DEVKIT_DIR}/include/maya
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:standin>
            ${BVHIO_DEVKIT_DIR}/lib/libOpenMaya.so
    COMMAND ${CMAKE_COMMAND} -E touch ${BVHIO_DEVKIT_DIR}/include/maya.stamp
    DEPENDS ${_devkit_headers} standin $<TARGET_FILE:standin>
    COMMENT "Laying out the devkit-shaped folder from the stand-in SDK"
    VERBATIM)

file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/devkit_empty.cpp
    CONTENT "// Stands for an SDK library whose symbols the stand-in library provides.\n")
set(_devkit_libraries)
foreach(_lib IN ITEMS OpenMayaAnim Foundation)
    add_library(bvhio_devkit_${_lib} SHARED ${PROJECT_BINARY_DIR}/devkit_empty.cpp)
    set_target_properties(bvhio_devkit_${_lib} PROPERTIES
        OUTPUT_NAME ${_lib}
        LIBRARY_OUTPUT_DIRECTORY ${BVHIO_DEVKIT_DIR}/lib)
    list(APPEND _devkit_libraries bvhio_devkit_${_lib})
endforeach()

add_custom_target(bvhio_devkit
    DEPENDS ${BVHIO_DEVKIT_DIR}/include/maya.stamp ${BVHIO_DEVKIT_DIR}/lib/libOpenMaya.so)
add_dependencies(bvhio_devkit ${_devkit_libraries})
unset(_devkit_headers)
unset(_devkit_libraries)

# tests/devkit_build_test.cpp configures and builds the plug-in against this folder in a
# nested build tree, with the same generator and compiler as this build.
if(TARGET unit_tests)
    add_dependencies(unit_tests bvhio_devkit)
    target_compile_definitions(unit_tests PRIVATE
        BVHIO_DEVKIT_DIR="${BVHIO_DEVKIT_DIR}"
        BVHIO_BINARY_DIR="${PROJECT_BINARY_DIR}"
        BVHIO_CMAKE_COMMAND="${CMAKE_COMMAND}"
        BVHIO_CMAKE_GENERATOR="${CMAKE_GENERATOR}"
        BVHIO_CMAKE_MAKE_PROGRAM="${CMAKE_MAKE_PROGRAM}"
        BVHIO_CXX_COMPILER="${CMAKE_CXX_COMPILER}"
        BVHIO_CMAKE_TOOLCHAIN_FILE="${CMAKE_TOOLCHAIN_FILE}")
endif()
