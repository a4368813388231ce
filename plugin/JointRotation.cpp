#include "plugin/JointRotation.h"

#include <maya/MAngle.h>
#include <maya/MFn.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MQuaternion.h>
#include <maya/MString.h>

namespace {

const char* const kAxisNames[3] = {"rotateAxisX", "rotateAxisY", "rotateAxisZ"};
const char* const kOrientNames[3] = {"jointOrientX", "jointOrientY", "jointOrientZ"};

/// Three angle attributes in the current context, as an XYZ rotation.
MEulerRotation anglesOf(const MPlug* plugs) {
    return MEulerRotation(plugs[0].asMAngle().asRadians(), plugs[1].asMAngle().asRadians(),
                          plugs[2].asMAngle().asRadians());
}

}  // namespace

JointRotationPlugs::JointRotationPlugs(const MObject& node) : joint_(node.hasFn(MFn::kJoint)) {
    MFnDependencyNode fn(node);
    for (int i = 0; i < 3; ++i) {
        plugs_[i] = fn.findPlug(kAxisNames[i], false);
        if (joint_) plugs_[3 + i] = fn.findPlug(kOrientNames[i], false);
    }
}

bool JointRotationPlugs::driven() const {
    for (int i = 0; i < (joint_ ? 6 : 3); ++i)
        if (plugs_[i].isDestination()) return true;
    return false;
}

JointRotation JointRotationPlugs::read() const {
    JointRotation joint;
    const MEulerRotation axis = anglesOf(plugs_);
    // Exactly zero, not nearly: a joint with no orient or axis at all must read as before.
    if (!axis.isZero(0.0)) {
        joint.axis = axis.asQuaternion().asMatrix();
        joint.plain = false;
    }
    if (joint_) {
        const MEulerRotation orient = anglesOf(plugs_ + 3);
        if (!orient.isZero(0.0)) {
            joint.orient = orient.asMatrix();
            joint.plain = false;
        }
    }
    return joint;
}

JointRotation readJointRotation(const MObject& node) { return JointRotationPlugs(node).read(); }

MMatrix composeRotation(const JointRotation& joint, const MEulerRotation& rotate) {
    return joint.axis * rotate.asMatrix() * joint.orient;
}

MEulerRotation rotateFor(const JointRotation& joint, const MMatrix& local,
                         MEulerRotation::RotationOrder order, const MEulerRotation* previous) {
    // Rotation matrices are orthonormal: their inverse is their transpose.
    return nearestEuler(joint.axis.transpose() * local * joint.orient.transpose(), order, previous);
}

MEulerRotation nearestEuler(const MMatrix& rotation, MEulerRotation::RotationOrder order,
                            const MEulerRotation* previous) {
    MEulerRotation angles = MEulerRotation::decompose(rotation, order);
    if (previous != nullptr) angles.setToClosestSolution(*previous);
    return angles;
}
