#pragma once
// Node and function-set type numbers.

#include <maya/MApiNamespace.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

class MFn {
public:
    /// Only the values that this host build names; the real list is much longer. The
    /// values follow the host's numbering.
    enum Type {
        kInvalid = 0,
        kBase = 1,
        kNamedObject = 2,
        kModel = 3,
        kDependencyNode = 4,
        kAddDoubleLinear = 5,
        kAffect = 6,
        kAnimCurve = 7,
        kAnimCurveTimeToAngular = 8,
        kAnimCurveTimeToDistance = 9,
        kAnimCurveTimeToTime = 10,
        kAnimCurveTimeToUnitless = 11,
        kAnimCurveUnitlessToAngular = 12,
        kAnimCurveUnitlessToDistance = 13,
        kAnimCurveUnitlessToTime = 14,
        kAnimCurveUnitlessToUnitless = 15,
        kDagNode = 107,
        kTransform = 110,
        kIkEffector = 119,
        kIkHandle = 120,
        kJoint = 121,
        kOrientConstraint = 239,
        kPointConstraint = 240,
        kParentConstraint = 242,
        kUnitConversion = 529,
        kConstraint = 932,
        kBlendNodeBase = 1021,
        kBlendNodeDoubleLinear = 1025,
        kBlendNodeAdditiveRotation = 1033
    };
};

OPENMAYA_NAMESPACE_CLOSE
