#pragma once
// Function set for DAG nodes: parents, children and paths.

#include <maya/MFnDependencyNode.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

/// The world is a node of its own: a top-level node has one parent, the world, whose
/// apiType is not a transform or joint type. Children and parents keep a stable index
/// order (creation or addChild order).
class MFnDagNode : public MFnDependencyNode {
public:
    enum { kNextPos = 0xff };
    MFnDagNode();
    MFnDagNode(MObject& object, MStatus* ret = NULL);
    MFnDagNode(const MDagPath& object, MStatus* ret = NULL);
    MFnDagNode(const MObject& object, MStatus* ret = NULL);
    /// Creates a node of type "transform", "joint" or "hikFKJoint" under `parent` (null:
    /// under the world), attaches to it and returns it. Unknown types fail with
    /// kInvalidParameter.
    MObject create(const MString& type, MObject& parent = MObject::kNullObj,
                   MStatus* ReturnStatus = NULL);
    MObject create(const MString& type, const MString& name, MObject& parent = MObject::kNullObj,
                   MStatus* ReturnStatus = NULL);
    unsigned int parentCount(MStatus* ReturnStatus = NULL) const;
    MObject parent(unsigned int i, MStatus* ReturnStatus = NULL) const;
    unsigned int childCount(MStatus* ReturnStatus = NULL) const;
    MObject child(unsigned int i, MStatus* ReturnStatus = NULL) const;
    /// Makes `child` a child of this node at position `index` (kNextPos or past the end:
    /// last). Without keepExistingParents the child leaves its other parents. Fails when the
    /// child is this node or one of its ancestors.
    MStatus addChild(MObject& child, unsigned int index = kNextPos,
                     bool keepExistingParents = false);
    /// The path of the attached node; through first parents when attached to an object.
    MStatus getPath(MDagPath& path) const;
    MDagPath dagPath(MStatus* ReturnStatus = NULL) const;
    /// "|a|b" through first parents.
    MString fullPathName(MStatus* ReturnStatus = NULL) const;
    /// The node name (names are unique in the whole scene).
    MString partialPathName(MStatus* ReturnStatus = NULL) const;
    virtual MStatus setObject(const MDagPath& path);
    MStatus setObject(MObject& object) override;
    MStatus setObject(const MObject& object) override;
    MFn::Type type() const override;
};

OPENMAYA_NAMESPACE_CLOSE
