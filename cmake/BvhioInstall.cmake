# `cmake --install` lays out a host module under the install prefix:
#   <prefix>/bvhio.mod                  module description: name, version, folder, paths
#   <prefix>/bvhio/plug-ins/bvhio.so    the plug-in (.mll on Windows, .bundle on macOS)
#   <prefix>/bvhio/scripts/*.mel        the translators' options dialogs
# The host finds it when <prefix> is on its module path (MAYA_MODULE_PATH).

set(BVHIO_MODULE_NAME bvhio)
configure_file(${PROJECT_SOURCE_DIR}/module/bvhio.mod.in
    ${PROJECT_BINARY_DIR}/${BVHIO_MODULE_NAME}.mod @ONLY)

install(TARGETS bvhio
    LIBRARY DESTINATION ${BVHIO_MODULE_NAME}/plug-ins
    RUNTIME DESTINATION ${BVHIO_MODULE_NAME}/plug-ins)
install(FILES
    ${PROJECT_SOURCE_DIR}/scripts/bvhImportOpts.mel
    ${PROJECT_SOURCE_DIR}/scripts/bvhExportOpts.mel
    DESTINATION ${BVHIO_MODULE_NAME}/scripts)
install(FILES ${PROJECT_BINARY_DIR}/${BVHIO_MODULE_NAME}.mod DESTINATION .)
