#pragma once
// Walks over joint hierarchies, shared by the import and the export translators.

#include <maya/MFnDagNode.h>
#include <maya/MObject.h>
#include <maya/MObjectArray.h>

/// Climbs from the node `node` is attached to through first parents while each parent is
/// exactly of the joint type (apiType 121) and returns the highest node so reached; the
/// starting node itself when its first parent is not such a joint. Changes nothing.
MObject findRootJoint(const MFnDagNode& node);

/// Appends `node` to `joints` when it is a joint or of a type derived from the joint type,
/// then visits its children in child order, depth-first, passing through nodes that are not
/// joints without listing them. Works without recursion, so any depth is safe.
void collectJoints(const MObject& node, MObjectArray& joints);
