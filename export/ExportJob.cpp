#include "export/ExportJob.h"

#include <maya/MFnDagNode.h>

#include <vector>

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
    std::vector<std::string> leftOut;
    gatherSelectedJoints(table_, leftOut);
    if (table_.joints.empty()) return fail("Select a joint");
    if (!leftOut.empty()) warnLeftOut(leftOut);
    return true;
}

void ExportJob::warnLeftOut(const std::vector<std::string>& names) {
    // A whole second skeleton may be selected: its first few joints name it well enough.
    constexpr std::size_t kNamesShown = 8;
    const bool one = names.size() == 1;
    std::string text = one ? "the selected joint " : "the selected joints ";
    for (std::size_t i = 0; i < names.size() && i < kNamesShown; ++i)
        text += (i == 0 ? "" : ", ") + names[i];
    if (names.size() > kNamesShown)
        text += " and " + std::to_string(names.size() - kNamesShown) + " more";
    text += one ? " is not below the root " : " are not below the root ";
    text += MFnDagNode(table_.joints.front().node).partialPathName().asChar();
    text += one ? " and is not exported" : " and are not exported";
    bvhio::reportWarning(path_, text + " (a file has one root)");
}

bool ExportJob::collectChannelTable() {
    collectChannels(table_);
    if (table_.driven()) warnDriven();
    return true;
}

void ExportJob::warnDriven() {
    // The user should know that the rig was sampled, and which joints it moves.
    constexpr std::size_t kNamesShown = 3;
    std::vector<std::string> names;
    std::size_t count = 0;
    for (const ExportJoint& joint : table_.joints)
        if (joint.driven && count++ < kNamesShown)
            names.push_back(MFnDagNode(joint.node).partialPathName().asChar());
    const bool one = count == 1;
    std::string text =
        one ? "the joint " + names[0] + " is" : std::to_string(count) + " joints are";
    text += " written as the constraints, connections or driven keys on ";
    text += one ? "its attributes move it" : "their attributes move them";
    text += ", sampled at every line";
    if (!one) text += bvhio::namesShown(names, count);
    bvhio::reportWarning(path_, text);
}

bool ExportJob::writeHierarchySection() {
    writeLine(out_, bvh::kHierarchy);
    const std::string problem = writeHierarchy(out_, table_, settings_.scale);
    return problem.empty() || fail(problem);
}

bool ExportJob::writeMotionSection() {
    std::vector<std::string> warnings;
    const std::string problem = writeMotion(out_, table_, settings_, sampleTime_, task_, warnings);
    if (!problem.empty()) return fail(problem);
    for (const std::string& warning : warnings) bvhio::reportWarning(path_, warning);
    return true;
}

bool ExportJob::finishOutput() {
    if (!out_.finish()) return fail("could not be written (" + out_.errorText() + ")");
    if (!out_.inPlaceReason().empty())
        bvhio::reportWarning(path_,
                             "the file was overwritten in place, not replaced atomically "
                             "(no new file could be made beside it: " +
                                 out_.inPlaceReason() + ")");
    return true;
}

}  // namespace bvhexport
