#pragma once
// Function set for the plug-in object: identity and registration of file translators.
// Including this header also defines the plug-in's API version symbol MApiVersion, unless
// MNoVersionString is defined first (include it that way in every further source file).

#include <maya/MFnBase.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MTypes.h>

/// Entry points that every plug-in defines; the host calls them on load and unload. They
/// are global functions, but their parameter type lives in the API namespace, so their
/// names mangle with it.
PLUGIN_EXPORT MStatus initializePlugin(MObject obj);
PLUGIN_EXPORT MStatus uninitializePlugin(MObject obj);

#ifndef MNoVersionString
extern "C" PLUGIN_EXPORT const char MApiVersion[] = "700";
#endif

OPENMAYA_MAJOR_NAMESPACE_OPEN

class MFnPlugin : public MFnBase {
public:
    MFnPlugin();
    /// Attaches to the plug-in object the host passed to an entry point; any object is
    /// accepted. The texts are kept for vendor(), version() and apiVersion().
    MFnPlugin(MObject& object, const char* vendor = "Unknown", const char* version = "Unknown",
              const char* requiredApiVersion = "Any", MStatus* ReturnStatus = 0L);
    MFnPlugin(const MObject& object, const char* vendor = "Unknown",
              const char* version = "Unknown", const char* requiredApiVersion = "Any",
              MStatus* ReturnStatus = 0L);
    ~MFnPlugin() override;
    MFn::Type type() const override;
    MString vendor(MStatus* ReturnStatus = nullptr) const;
    MString version(MStatus* ReturnStatus = nullptr) const;
    MString apiVersion(MStatus* ReturnStatus = nullptr) const;
    /// The plug-in's name: empty, the stand-in does not know the module file.
    MString name(MStatus* ReturnStatus = nullptr) const;
    /// Adds the translator to the host's registry. Fails with kFailure, changing nothing,
    /// when the name is empty or already registered, or the creator is null.
    MStatus registerFileTranslator(const MString& translatorName, const char* pixmapName,
                                   MCreatorFunction creatorFunction,
                                   const char* optionsScriptName = nullptr,
                                   const char* defaultOptionsString = nullptr,
                                   bool requiresFullMel = false,
                                   MString dataStorageLocation = MFnPlugin::kDefaultDataLocation);
    /// Where a translator keeps data by default; accepted and not used here.
    static const MString kDefaultDataLocation;
    /// Removes the translator; kFailure when no translator of that name is registered.
    MStatus deregisterFileTranslator(const MString& translatorName);

private:
    MString vendor_;
    MString version_;
    MString apiVersion_;
};

OPENMAYA_NAMESPACE_CLOSE
