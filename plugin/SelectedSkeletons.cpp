#include "plugin/SelectedSkeletons.h"

#include <maya/MDagPath.h>
#include <maya/MFn.h>
#include <maya/MFnDagNode.h>
#include <maya/MGlobal.h>
#include <maya/MItSelectionList.h>
#include <maya/MSelectionList.h>
#include <maya/MString.h>

#include <algorithm>
#include <utility>

#include "plugin/JointWalk.h"

namespace {

/// The index of the root among `skeletons` that `node` is or lies below (through first
/// parents of any type), or -1. `known` and `knownSkeleton`: a node already placed, which
/// ends the climb early, so that a selection listed parents first costs a step per joint.
int skeletonAbove(const MObject& node, const std::vector<SelectedSkeleton>& skeletons,
                  const MObject& known, int knownSkeleton) {
    MObject current = node;
    while (!current.isNull()) {
        for (std::size_t s = 0; s < skeletons.size(); ++s)
            if (current == skeletons[s].root) return static_cast<int>(s);
        if (knownSkeleton >= 0 && current == known) return knownSkeleton;
        MFnDagNode fn(current);
        if (fn.parentCount() == 0) return -1;
        current = fn.parent(0);
    }
    return -1;
}

/// True when `node` is `root` or lies below it (through first parents of any type).
bool isAtOrBelow(const MObject& node, const MObject& root) {
    std::vector<SelectedSkeleton> one(1);
    one[0].root = root;
    return skeletonAbove(node, one, MObject(), -1) == 0;
}

/// The highest of `selected` on the climb from `joint` to the root of its skeleton
/// (through first parents that are joints, as findRootJoint climbs).
MObject topmostSelected(const MObject& joint, const std::vector<MObject>& selected) {
    MObject top = joint;
    MObject current = joint;
    for (;;) {
        MFnDagNode fn(current);
        if (fn.parentCount() == 0) break;
        const MObject parent = fn.parent(0);
        if (parent.apiType() != MFn::kJoint) break;
        if (std::find(selected.begin(), selected.end(), parent) != selected.end()) top = parent;
        current = parent;
    }
    return top;
}

}  // namespace

std::vector<SelectedSkeleton> selectedSkeletons(SkeletonTop top) {
    MSelectionList selection;
    MGlobal::getActiveSelectionList(selection);
    std::vector<MObject> joints;
    std::vector<std::string> names;
    for (MItSelectionList it(selection, MFn::kJoint); !it.isDone(); it.next()) {
        MDagPath path;
        MObject component;
        it.getDagPath(path, component);
        joints.push_back(MFnDagNode(path).object());
        names.push_back(path.partialPathName().asChar());
    }

    std::vector<SelectedSkeleton> skeletons;
    MObject known;
    int knownSkeleton = -1;
    for (std::size_t i = 0; i < joints.size(); ++i) {
        const int inside = skeletonAbove(joints[i], skeletons, known, knownSkeleton);
        if (inside >= 0) {
            skeletons[static_cast<std::size_t>(inside)].selected.push_back(names[i]);
            known = joints[i];
            knownSkeleton = inside;
            continue;
        }
        SelectedSkeleton skeleton;
        skeleton.root = top == SkeletonTop::kSkeletonRoot ? findRootJoint(MFnDagNode(joints[i]))
                                                           : topmostSelected(joints[i], joints);
        // Skeletons listed before whose roots lie below this one become part of it, in the
        // place of the first of them.
        std::size_t place = skeletons.size();
        for (std::size_t s = 0; s < skeletons.size();) {
            if (!isAtOrBelow(skeletons[s].root, skeleton.root)) {
                ++s;
                continue;
            }
            for (std::string& name : skeletons[s].selected)
                skeleton.selected.push_back(std::move(name));
            if (place == skeletons.size()) {
                place = s;
                ++s;
            } else {
                skeletons.erase(skeletons.begin() + static_cast<std::ptrdiff_t>(s));
            }
        }
        skeleton.selected.push_back(names[i]);
        if (place == skeletons.size())
            skeletons.push_back(std::move(skeleton));
        else
            skeletons[place] = std::move(skeleton);
        knownSkeleton = -1;
    }
    return skeletons;
}

void appendSkeletonJoints(const std::vector<SelectedSkeleton>& skeletons, MObjectArray& joints) {
    for (const SelectedSkeleton& skeleton : skeletons) collectJoints(skeleton.root, joints);
}
