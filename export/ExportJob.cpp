#include "export/ExportJob.h"

#include "bvh/Vocabulary.h"
#include "export/BvhText.h"
#include "export/HierarchyWriter.h"
#include "export/MotionWriter.h"
#include "plugin/Messages.h"

namespace bvhexport {

MStatus ExportJob::run(const std::string& path, const MString& options) {
    path_ = path;
    const bool written = openOutput() && applyOptions(options) && gatherJoints() &&
                         collectChannelTable() && writeHierarchySection() && writeMotionSection() &&
                         finishOutput();
    if (!written) out_.discard();
    return written ? MStatus(MS::kSuccess) : MStatus(MS::kFailure);
}

bool ExportJob::fail(std::string_view problem) {
    bvhio::reportError(path_, std::string(problem));
    return false;
}

bool ExportJob::openOutput() {
    if (out_.open(path_)) return true;
    return fail("could not be opened for writing (" + out_.errorText() + ")");
}

bool ExportJob::applyOptions(const MString& options) {
    applyExportOptions(options, settings_);
    const std::string problem = checkExportSettings(settings_);
    return problem.empty() || fail(problem);
}

bool ExportJob::gatherJoints() {
    gatherSelectedJoints(table_);
    return !table_.joints.empty() || fail("Select a joint");
}

bool ExportJob::collectChannelTable() {
    collectChannels(table_);
    return true;
}

bool ExportJob::writeHierarchySection() {
    writeLine(out_, bvh::kHierarchy);
    const std::string problem = writeHierarchy(out_, table_, settings_.scale);
    return problem.empty() || fail(problem);
}

bool ExportJob::writeMotionSection() {
    const std::string problem = writeMotion(out_, table_, settings_, sampleTime_, task_);
    return problem.empty() || fail(problem);
}

bool ExportJob::finishOutput() {
    if (out_.finish()) return true;
    return fail("could not be written (" + out_.errorText() + ")");
}

}  // namespace bvhexport
