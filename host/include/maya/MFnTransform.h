#pragma once
// Function set for transform nodes (and joints): translation, rotation and rotation order.

#include <maya/MFnDagNode.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MTransformationMatrix.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

/// Translation and rotation are the node's own static values relative to its parent. All
/// spaces are treated as the transform space: the stand-in keeps no world matrices.
class MFnTransform : public MFnDagNode {
public:
    MFnTransform();
    MFnTransform(MObject& object, MStatus* ReturnStatus = NULL);
    MFnTransform(const MDagPath& object, MStatus* ret = NULL);
    MFnTransform(const MObject& object, MStatus* ReturnStatus = NULL);
    virtual ~MFnTransform();
    MFn::Type type() const override;
    /// Creates a transform named "transformN" under `parent` (null: under the world) and
    /// attaches to it.
    MObject create(MObject parent = MObject::kNullObj, MStatus* ReturnStatus = NULL);
    MVector getTranslation(MSpace::Space space, MStatus* ReturnStatus = NULL) const;
    MStatus setTranslation(const MVector& vec, MSpace::Space space);
    /// The order as it was set, even when it is not one of kXYZ..kZYX.
    MTransformationMatrix::RotationOrder rotationOrder(MStatus* ReturnStatus = NULL) const;
    /// Stores `order` as given. With `reorder` true and both the old and the new order
    /// valid (kXYZ..kZYX), the rotation values are changed so the orientation stays.
    MStatus setRotationOrder(MTransformationMatrix::RotationOrder order, bool reorder);
    /// The rotation values in the node's order (kXYZ when the node's order is not valid).
    MStatus getRotation(MEulerRotation& rotation) const;
    /// Sets the orientation given; the values are expressed in the node's rotation order
    /// when it is valid, otherwise the node takes the rotation's order.
    MStatus setRotation(const MEulerRotation& rotation);
    MStatus getRotation(double rotation[3], MTransformationMatrix::RotationOrder& order) const;
    /// As setRotation(MEulerRotation) for a rotation of order `order` (kXYZ..kZYX).
    MStatus setRotation(const double rotation[3], MTransformationMatrix::RotationOrder order);
};

OPENMAYA_NAMESPACE_CLOSE
