#pragma once
// Function set for joints.

#include <maya/MFnTransform.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

class MFnIkJoint : public MFnTransform {
public:
    MFnIkJoint();
    MFnIkJoint(MObject& object, MStatus* ReturnStatus = NULL);
    MFnIkJoint(const MDagPath& object, MStatus* ret = NULL);
    MFnIkJoint(const MObject& object, MStatus* ReturnStatus = NULL);
    virtual ~MFnIkJoint();
    MFn::Type type() const override;
    /// Creates a joint named "jointN" under `parent` (null: under the world) and attaches
    /// to it.
    MObject create(MObject parent = MObject::kNullObj, MStatus* ReturnStatus = NULL);
    /// The joint orientation (kept apart from the rotation; it does not affect curves).
    MStatus getOrientation(MEulerRotation& rotation) const;
    MStatus setOrientation(const MEulerRotation& rotation);
};

OPENMAYA_NAMESPACE_CLOSE
