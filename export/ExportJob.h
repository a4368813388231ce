#pragma once
// One export: from the option string and the active selection to a finished BVH file.

#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MTime.h>

#include <string>
#include <string_view>
#include <vector>

#include "bvh/OutputFile.h"
#include "export/ChannelTable.h"
#include "export/ExportSettings.h"
#include "plugin/LongTask.h"

namespace bvhexport {

/// Runs one export into the settings and sample time of a translator object, which keep what
/// the export leaves in them (the options applied, the adjusted frame range).
class ExportJob {
public:
    ExportJob(ExportSettings& settings, MTime& sampleTime)
        : settings_(settings), sampleTime_(sampleTime) {}

    /// Writes the file at `path`. Success only when the whole file is in place. On failure a
    /// single line, the path first, goes to standard error and any file that was at the path
    /// stays as it was (unless it had to be overwritten in place, with a warning, and the
    /// writing itself failed; see bvh::OutputFile). When the file cannot be opened the option
    /// string is not applied. An export the user cancels fails the same way: nothing is written.
    MStatus run(const std::string& path, const MString& options);

private:
    bool openOutput();
    bool applyOptions(const MString& options);
    bool gatherJoints();
    bool collectChannelTable();
    bool writeHierarchySection();
    bool writeMotionSection();
    bool finishOutput();
    bool fail(std::string_view problem);
    void warnLeftOut(const std::vector<std::string>& names);
    void warnDriven();

    ExportSettings& settings_;
    MTime& sampleTime_;
    std::string path_;
    bvh::OutputFile out_;
    LongTask task_;  ///< progress by motion lines written; Esc in the host cancels
    ChannelTable table_;
};

}  // namespace bvhexport
