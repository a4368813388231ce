#include "plugin/JointRotation.h"

#include <maya/MFn.h>
#include <maya/MFnIkJoint.h>
#include <maya/MFnTransform.h>
#include <maya/MQuaternion.h>
#include <maya/MTypes.h>

JointRotation readJointRotation(const MObject& node) {
    JointRotation joint;
    MFnTransform transform(node);
    const MQuaternion axis = transform.rotateOrientation(MSpace::kTransform);
    // Exactly zero, not nearly: a joint with no orient or axis at all must read as before.
    if (axis.x != 0.0 || axis.y != 0.0 || axis.z != 0.0) {
        joint.axis = axis.asMatrix();
        joint.plain = false;
    }
    if (node.hasFn(MFn::kJoint)) {
        MEulerRotation orient;
        MFnIkJoint(node).getOrientation(orient);
        if (!orient.isZero(0.0)) {
            joint.orient = orient.asMatrix();
            joint.plain = false;
        }
    }
    return joint;
}

MMatrix composeRotation(const JointRotation& joint, const MEulerRotation& rotate) {
    return joint.axis * rotate.asMatrix() * joint.orient;
}

MEulerRotation rotateFor(const JointRotation& joint, const MMatrix& local,
                         MEulerRotation::RotationOrder order, const MEulerRotation* previous) {
    // Rotation matrices are orthonormal: their inverse is their transpose.
    return nearestEuler(joint.axis.transpose() * local * joint.orient.transpose(), order,
                        previous);
}

MEulerRotation nearestEuler(const MMatrix& rotation, MEulerRotation::RotationOrder order,
                            const MEulerRotation* previous) {
    MEulerRotation angles = MEulerRotation::decompose(rotation, order);
    if (previous != nullptr) angles.setToClosestSolution(*previous);
    return angles;
}
