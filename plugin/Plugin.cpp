// Entry points of the plug-in module: registration of the two file translators.

#include <maya/MFnPlugin.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>

#include "export/BvhExport.h"
#include "import/BvhImport.h"
#include "plugin/Messages.h"
#include "plugin/Registration.h"

MStatus initializePlugin(MObject obj) {
    MStatus status;
    MFnPlugin plugin(obj, kPluginVendor, kPluginVersion, "Any");
    status = plugin.registerFileTranslator(kImportTranslatorName, "", BvhImport::creator,
                                           kImportOptionsScript, kImportDefaultOptions, true);
    if (!status) {
        bvhio::reportError("registerFileTranslator", status.errorString().asChar());
        return status;
    }
    status = plugin.registerFileTranslator(kExportTranslatorName, "", BvhExport::creator,
                                           kExportOptionsScript, kExportDefaultOptions, true);
    if (!status) {
        bvhio::reportError("registerFileTranslator", status.errorString().asChar());
        // A module that fails to load is unloaded: nothing of it may stay registered, or the
        // host would keep a creator in code that is gone.
        plugin.deregisterFileTranslator(kImportTranslatorName);
    }
    return status;
}

MStatus uninitializePlugin(MObject obj) {
    MStatus status;
    MFnPlugin plugin(obj, "Unknown", "Unknown", "Any");
    status = plugin.deregisterFileTranslator(kImportTranslatorName);
    if (!status) {
        bvhio::reportError("deregisterFileTranslator", status.errorString().asChar());
        return status;
    }
    status = plugin.deregisterFileTranslator(kExportTranslatorName);
    if (!status) bvhio::reportError("deregisterFileTranslator", status.errorString().asChar());
    return status;
}
