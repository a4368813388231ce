#pragma once
// The skeletons of the active selection, as both translators take them: one root per
// skeleton, and every joint once, however many of its joints are selected.

#include <maya/MObject.h>
#include <maya/MObjectArray.h>

#include <string>
#include <vector>

/// Where a selected skeleton starts.
enum class SkeletonTop {
    /// At the top of the skeleton (findRootJoint of a selected joint): all of it, whichever
    /// of its joints is selected. What an animation-only import keys.
    kSkeletonRoot,
    /// At the highest selected joint on the way up from the first selected joint of the
    /// skeleton; one selected joint alone is the root itself (an arm can be taken on its
    /// own). What an export writes.
    kTopmostSelected,
};

/// One skeleton of the selection.
struct SelectedSkeleton {
    MObject root;
    /// Partial path names of its selected joints, in selection order.
    std::vector<std::string> selected;
};

/// The skeletons the selected joints belong to, in the order of their first selected joint:
/// a selected joint at or below the root of a skeleton listed before (through any nodes)
/// belongs to that one; a skeleton whose root lies above one listed before takes it in.
/// Nodes that are not joints are not selected joints.
std::vector<SelectedSkeleton> selectedSkeletons(SkeletonTop top);

/// Appends the joints of `skeletons`: each root, then the joints below it depth-first
/// (collectJoints). Every joint appears once.
void appendSkeletonJoints(const std::vector<SelectedSkeleton>& skeletons, MObjectArray& joints);
