#pragma once
// The scene joint of every node of a file: built by a skeleton import, or found among the
// selected skeletons by an animation-only import.

#include <maya/MObject.h>
#include <maya/MObjectArray.h>

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "bvh/Reader.h"

namespace bvhimport {

/// Joints for the nodes of a file, one step per part of its hierarchy. Only joint creation
/// and naming touch the scene here; curves are the key plan's.
class NodeTargets {
public:
    enum class Mode {
        kBuild,       ///< a new joint per node, under the import transform
        kNoJoints,    ///< nothing: the nodes are walked and nothing is keyed
        kByPosition,  ///< node k drives target joint k
        kByName,      ///< a node drives the target joint of its name
    };

    /// `parent`: the import transform (kBuild); `targets`: the joints of the selected
    /// skeletons, each once (kByPosition, kByName); `scale` multiplies offsets.
    NodeTargets(Mode mode, MObject parent, MObjectArray targets, double scale);

    /// Builds or finds the joints of the nodes the table gained since the last call, up to
    /// node `end` (exclusive).
    void addNodes(const bvh::HierarchyTable& table, std::size_t end);

    /// Per node: its joint, or the null object.
    const std::vector<MObject>& joints() const { return joints_; }
    /// Whether node `node`'s values are part of what a frame line must hold: the nodes that
    /// have a joint, and by name every node, since the names decide.
    bool counted(std::size_t node) const;
    /// The root's offset times scale of the last joint built at the top.
    const double* rootOffset() const { return rootOffset_; }
    bool builtRoot() const { return builtRoot_; }

    /// One warning for the joint names the host changed (kBuild), if any.
    void reportRenamed(const std::string& path) const;
    /// One warning for the nodes and the joints that matched nothing (kByName), if any.
    void reportUnmatched(const std::string& path) const;

private:
    /// The name a node's joint is asked for: its own, or for an end site "Effector" and its
    /// parent's, as the host holds it.
    const std::string& requestedName(const bvh::HierarchyTable& table, std::size_t node);
    MObject build(const bvh::HierarchyTable& table, std::size_t node);
    MObject byName(const std::string& name);

    Mode mode_;
    MObject parent_;
    MObjectArray targets_;
    double scale_;
    std::vector<MObject> joints_;
    std::vector<std::string> names_;  // requested names, per node
    double rootOffset_[3] = {0, 0, 0};
    bool builtRoot_ = false;

    // Joint names the host changed: how many, and the first few.
    std::size_t renamedCount_ = 0;
    std::string renamedFirst_;
    // Matching by name: matching name -> indices into targets_ not yet taken, the last next.
    std::unordered_map<std::string, std::vector<unsigned int>> byName_;
    std::vector<bool> taken_;
    std::vector<std::string> unmatched_;  // the first few file nodes without a joint
    std::size_t unmatchedCount_ = 0;
};

}  // namespace bvhimport
