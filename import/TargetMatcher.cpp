// Animation-only import: the joints of the selected skeletons.

#include <maya/MDagPath.h>
#include <maya/MFn.h>
#include <maya/MFnIkJoint.h>
#include <maya/MGlobal.h>
#include <maya/MItSelectionList.h>
#include <maya/MSelectionList.h>

#include <sstream>
#include <string>
#include <vector>

#include "bvh/Text.h"
#include "import/ImportJob.h"
#include "plugin/JointWalk.h"
#include "plugin/Messages.h"

namespace bvhimport {

void collectTargetJoints(MObjectArray& joints) {
    MSelectionList selection;
    MGlobal::getActiveSelectionList(selection);
    for (MItSelectionList it(selection, MFn::kJoint); !it.isDone(); it.next()) {
        MDagPath path;
        MObject component;
        it.getDagPath(path, component);
        MFnIkJoint selected(path);
        MObject root = findRootJoint(selected);
        joints.append(root);
        MFnDagNode rootFn(root);
        const unsigned int children = rootFn.childCount();
        for (unsigned int i = 0; i < children; ++i) collectJoints(rootFn.child(i), joints);
    }
}

namespace {

/// How many names a matching warning lists of each kind.
constexpr std::size_t kNamesShown = 5;

/// A name as matching compares it: without namespaces ("rig:Hips" is "Hips"), and with the
/// characters that the host does not allow in a node name mapped as it maps them, so that a
/// file's "Left-Arm" finds the joint that a skeleton import of that file would have named.
std::string comparedName(std::string_view name) {
    const std::size_t colon = name.rfind(':');
    if (colon != std::string_view::npos) name.remove_prefix(colon + 1);
    std::string out;
    if (!name.empty() && name[0] >= '0' && name[0] <= '9') out += '_';
    for (const char c : name) {
        const bool allowed =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        out += allowed ? c : '_';
    }
    return out;
}

void appendNames(std::ostream& out, const std::vector<std::string>& names, std::size_t count) {
    for (std::size_t i = 0; i < names.size(); ++i)
        out << (i == 0 ? " (" : ", ") << bvh::clippedForMessage(names[i]);
    if (count > names.size()) out << ", ...";
    if (!names.empty()) out << ")";
}

}  // namespace

MObject ImportJob::targetByName(std::string_view name) {
    if (state_.targetTaken.empty() && state_.targets.length() > 0) {
        state_.targetTaken.assign(state_.targets.length(), false);
        for (unsigned int i = state_.targets.length(); i-- > 0;) {
            MFnDagNode target(state_.targets[i]);
            state_.targetsByName[comparedName(target.name().asChar())].push_back(i);
        }
    }
    auto found = state_.targetsByName.find(comparedName(name));
    if (found == state_.targetsByName.end() || found->second.empty()) {
        if (state_.unmatchedNodes.size() < kNamesShown) state_.unmatchedNodes.emplace_back(name);
        ++state_.unmatchedNodeCount;
        return MObject();
    }
    const unsigned int index = found->second.back();
    found->second.pop_back();
    state_.targetTaken[index] = true;
    return state_.targets[index];
}

void ImportJob::warnUnmatched() const {
    std::vector<std::string> idle;
    std::size_t idleCount = 0;
    for (unsigned int i = 0; i < state_.targets.length(); ++i) {
        if (i < state_.targetTaken.size() && state_.targetTaken[i]) continue;
        if (idle.size() < kNamesShown)
            idle.emplace_back(MFnDagNode(state_.targets[i]).name().asChar());
        ++idleCount;
    }
    if (state_.unmatchedNodeCount == 0 && idleCount == 0) return;
    std::ostringstream line;
    line << "matching by name: " << state_.unmatchedNodeCount << " nodes of the file have no joint";
    appendNames(line, state_.unmatchedNodes, state_.unmatchedNodeCount);
    line << " and are skipped; " << idleCount << " joints have no node";
    appendNames(line, idle, idleCount);
    line << " and keep their animation";
    bvhio::reportWarning(path_, line.str());
}

}  // namespace bvhimport
