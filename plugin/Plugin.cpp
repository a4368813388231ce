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
    // A refusal of the export translator is returned without a report of our own; the import
    // translator stays registered, as the host expects of a partly loaded module.
    status = plugin.registerFileTranslator(kExportTranslatorName, "", BvhExport::creator,
                                           kExportOptionsScript, kExportDefaultOptions, true);
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
