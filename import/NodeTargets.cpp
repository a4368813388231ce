#include "import/NodeTargets.h"

#include <maya/MFnDagNode.h>
#include <maya/MFnIkJoint.h>
#include <maya/MString.h>
#include <maya/MVector.h>

#include <sstream>
#include <utility>

#include "bvh/Text.h"
#include "bvh/Vocabulary.h"
#include "plugin/Messages.h"
#include "plugin/NodeNames.h"

namespace bvhimport {

using bvhio::hostNodeName;
using bvhio::matchingName;
using bvhio::prefixedName;

namespace {

/// How many names a warning lists.
constexpr std::size_t kRenamedShown = 3;
constexpr std::size_t kUnmatchedShown = 5;

void appendNames(std::ostream& out, const std::vector<std::string>& names, std::size_t count) {
    for (std::size_t i = 0; i < names.size(); ++i)
        out << (i == 0 ? " (" : ", ") << bvh::clippedForMessage(names[i]);
    if (count > names.size()) out << ", ...";
    if (!names.empty()) out << ")";
}

}  // namespace

NodeTargets::NodeTargets(Mode mode, MObject parent, MObjectArray targets, double scale)
    : mode_(mode), parent_(std::move(parent)), targets_(std::move(targets)), scale_(scale) {
    if (mode_ != Mode::kByName) return;
    taken_.assign(targets_.length(), false);
    for (unsigned int i = targets_.length(); i-- > 0;)
        byName_[matchingName(MFnDagNode(targets_[i]).name().asChar())].push_back(i);
}

bool NodeTargets::counted(std::size_t node) const {
    switch (mode_) {
        case Mode::kBuild:
        case Mode::kByName: return true;
        case Mode::kByPosition: return node < targets_.length();
        case Mode::kNoJoints: break;
    }
    return false;
}

const std::string& NodeTargets::requestedName(const bvh::HierarchyTable& table, std::size_t node) {
    const bvh::TableNode& n = table.nodes[node];
    if (names_.size() <= node) names_.resize(node + 1);
    names_[node] = n.endSite ? prefixedName(bvh::kEffectorPrefix,
                                            hostNodeName(names_[static_cast<std::size_t>(n.parent)]))
                             : n.name;
    return names_[node];
}

void NodeTargets::addNodes(const bvh::HierarchyTable& table, std::size_t end) {
    for (std::size_t k = joints_.size(); k < end; ++k) {
        MObject joint;
        switch (mode_) {
            case Mode::kBuild: joint = build(table, k); break;
            case Mode::kByName: joint = byName(requestedName(table, k)); break;
            case Mode::kByPosition:
                if (k < targets_.length()) joint = targets_[static_cast<unsigned int>(k)];
                break;
            case Mode::kNoJoints: break;
        }
        joints_.push_back(joint);
    }
}

MObject NodeTargets::build(const bvh::HierarchyTable& table, std::size_t node) {
    const bvh::TableNode& n = table.nodes[node];
    const std::string& name = requestedName(table, node);
    double xyz[3];
    for (int axis = 0; axis < 3; ++axis) xyz[axis] = n.offset[axis] * scale_;
    MObject parent = parent_;
    if (n.parent >= 0 && !joints_[static_cast<std::size_t>(n.parent)].isNull())
        parent = joints_[static_cast<std::size_t>(n.parent)];
    if (n.parent < 0) {
        for (int axis = 0; axis < 3; ++axis) rootOffset_[axis] = xyz[axis];
        builtRoot_ = true;
    }
    MFnIkJoint jointFn;
    MObject joint = jointFn.create(parent);
    // Without a name the joint keeps the name the host gave it. A name is handed over as the
    // host would hold it, its namespaces made where missing.
    if (!name.empty()) {
        const MString given = jointFn.setName(MString(hostNodeName(name).c_str()), true);
        // An end site's name follows its parent's; only the file's own names count.
        if (!n.endSite && std::string_view(given.asChar(), given.length()) != name) {
            if (renamedCount_ < kRenamedShown) {
                if (renamedCount_ > 0) renamedFirst_ += ", ";
                renamedFirst_ += bvh::clippedForMessage(name) + " -> " +
                                 bvh::clippedForMessage(given.asChar());
            } else if (renamedCount_ == kRenamedShown) {
                renamedFirst_ += ", ...";
            }
            ++renamedCount_;
        }
    }
    jointFn.setTranslation(MVector(xyz[0], xyz[1], xyz[2]), MSpace::kTransform);
    return joint;
}

MObject NodeTargets::byName(const std::string& name) {
    auto found = byName_.find(matchingName(name));
    if (found == byName_.end() || found->second.empty()) {
        if (unmatched_.size() < kUnmatchedShown) unmatched_.push_back(name);
        ++unmatchedCount_;
        return MObject();
    }
    const unsigned int index = found->second.back();
    found->second.pop_back();
    taken_[index] = true;
    return targets_[index];
}

void NodeTargets::reportRenamed(const std::string& path) const {
    if (renamedCount_ > 0)
        bvhio::reportWarning(path, bvhio::textOf(renamedCount_,
                                                 " joint names are not names the host can hold "
                                                 "or clash with a sibling's; they were changed: ",
                                                 renamedFirst_));
}

void NodeTargets::reportUnmatched(const std::string& path) const {
    if (mode_ != Mode::kByName) return;
    std::vector<std::string> idle;
    std::size_t idleCount = 0;
    for (unsigned int i = 0; i < targets_.length(); ++i) {
        if (taken_[i]) continue;
        if (idle.size() < kUnmatchedShown) idle.emplace_back(MFnDagNode(targets_[i]).name().asChar());
        ++idleCount;
    }
    if (unmatchedCount_ == 0 && idleCount == 0) return;
    std::ostringstream line;
    line << "matching by name: " << unmatchedCount_ << " nodes of the file have no joint";
    appendNames(line, unmatched_, unmatchedCount_);
    line << " and are skipped; " << idleCount << " joints have no node";
    appendNames(line, idle, idleCount);
    line << " and keep their animation";
    bvhio::reportWarning(path, line.str());
}

}  // namespace bvhimport
