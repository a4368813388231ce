#include "plugin/JointWalk.h"

#include <maya/MFn.h>
#include <maya/MFnIkJoint.h>

#include <utility>
#include <vector>

MObject findRootJoint(const MFnDagNode& node) {
    MObject current = node.object();
    // Iterative form of the climb: deep chains of joints must not exhaust the stack.
    for (;;) {
        MFnDagNode fn(current);
        if (fn.parentCount() == 0) return current;
        MObject parent = fn.parent(0);
        if (parent.apiType() != MFn::kJoint) return current;
        MFnIkJoint parentFn(parent);
        if (parentFn.parentCount() == 0) return parent;
        current = parent;
    }
}

void collectJoints(const MObject& node, MObjectArray& joints) {
    // Explicit stack of (node, next child index): pre-order, children in child order.
    std::vector<std::pair<MObject, unsigned int>> stack;
    if (node.hasFn(MFn::kJoint)) joints.append(node);
    stack.emplace_back(node, 0u);
    while (!stack.empty()) {
        auto& top = stack.back();
        MFnDagNode fn(top.first);
        if (top.second >= fn.childCount()) {
            stack.pop_back();
            continue;
        }
        MObject child = fn.child(top.second++);
        if (child.hasFn(MFn::kJoint)) joints.append(child);
        stack.emplace_back(child, 0u);
    }
}
