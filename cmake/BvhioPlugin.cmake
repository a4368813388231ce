# Conventions of a plug-in module that the host loads, the same against the stand-in and
# the real SDK:
# - file name without the "lib" prefix and with the host's suffix for the platform;
# - only the entry points initializePlugin and uninitializePlugin and the data symbol
#   MApiVersion leave the module. Everything else is hidden, so that two plug-ins (or two
#   builds of this one) loaded into the same host never bind to each other's code.

set(BVHIO_EXPORTS_MAP ${CMAKE_CURRENT_LIST_DIR}/bvhio-exports.map)

# bvhio_host_plugin(<module target> [<object library> ...])
# Applies the conventions to the module and compiles the given object libraries, whose
# objects it links, with hidden visibility.
function(bvhio_host_plugin module)
    foreach(objects IN LISTS ARGN)
        set_target_properties(${objects} PROPERTIES
            CXX_VISIBILITY_PRESET hidden
            VISIBILITY_INLINES_HIDDEN ON)
    endforeach()
    set_target_properties(${module} PROPERTIES
        PREFIX ""
        CXX_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON)

    if(WIN32)
        # A DLL exports only what is marked for export; the SDK's MFnPlugin.h marks the
        # entry points and MApiVersion.
        set_target_properties(${module} PROPERTIES SUFFIX ".mll")
    elseif(APPLE)
        set_target_properties(${module} PROPERTIES SUFFIX ".bundle")
    else()
        set_target_properties(${module} PROPERTIES SUFFIX ".so")
        # Template code of the standard library keeps default visibility whatever the
        # compiler flags say; the version script hides that too.
        target_link_options(${module} PRIVATE "LINKER:--version-script=${BVHIO_EXPORTS_MAP}")
        set_property(TARGET ${module} APPEND PROPERTY LINK_DEPENDS ${BVHIO_EXPORTS_MAP})
    endif()
endfunction()
