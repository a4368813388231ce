#pragma once
// The BVHexport file translator.

#include <maya/MPxFileTranslator.h>
#include <maya/MString.h>
#include <maya/MTime.h>

#include "export/ExportSettings.h"

/// Writes the first selected joint's subtree and the animation of the selected joints as a
/// BVH file. One object may serve many exports; its settings carry over from one to the next.
class BvhExport : public MPxFileTranslator {
public:
    /// Holds the settings of the registered default option string (see ExportSettings).
    BvhExport();
    ~BvhExport() override;
    /// A new object for the host, which owns it.
    static void* creator();

    /// Applies `optionsString` and writes the BVH file at `file`'s full name from the active
    /// selection (`mode` is not consulted). Success only when the complete file is in place;
    /// on failure one line on standard error, the path first, and the file that was at the
    /// path is unchanged. Never throws.
    MStatus writer(const MFileObject& file, const MString& optionsString,
                   FileAccessMode mode) override;
    bool haveReadMethod() const override { return false; }
    bool haveWriteMethod() const override { return true; }
    MString defaultExtension() const override { return "bvh"; }
    bool canBeOpened() const override { return true; }
    /// kIsMyFileType only for files starting with "bvh_import", which no export writes.
    MFileKind identifyFile(const MFileObject& file, const char* buffer, short size) const override;

    /// The settings as the last export left them.
    const bvhexport::ExportSettings& settings() const { return settings_; }
    /// Where the last export evaluated the curves, in the UI time unit.
    const MTime& sampleTime() const { return sampleTime_; }

private:
    bvhexport::ExportSettings settings_;
    MTime sampleTime_;
};
