#pragma once
// A joint's full local rotation as the host composes it, shared by the import and the export
// translators. In the host's row-vector convention a joint's transform is
// [S] * [RO] * [R] * [JO] * [IS] * [T]: scale, rotate axis, the rotate values in the joint's
// rotation order, joint orient, inverse parent scale, translate. The rotation part is
// RO * R * JO.

#include <maya/MEulerRotation.h>
#include <maya/MMatrix.h>
#include <maya/MObject.h>
#include <maya/MPlug.h>

/// The two rotations around a node's rotate values.
struct JointRotation {
    MMatrix axis;    ///< rotate axis, applied before the rotate values
    MMatrix orient;  ///< joint orient, applied after them (identity for a plain transform)
    /// Both exactly the identity: the rotate values alone are the local rotation.
    bool plain = true;
};

/// The attributes that hold a node's rotate axis (rotateAxisX, Y, Z) and, for a joint, its
/// joint orient (jointOrientX, Y, Z), read together.
class JointRotationPlugs {
public:
    explicit JointRotationPlugs(const MObject& node);
    /// True when a connection drives any of them, so that their values may change over time.
    bool driven() const;
    /// Their rotations in the current evaluation context.
    JointRotation read() const;
    /// The six plugs, axis X, Y, Z first (the orient's are null plugs for a node that is not
    /// a joint).
    const MPlug (&plugs() const)[6] { return plugs_; }

private:
    MPlug plugs_[6];
    bool joint_ = false;
};

/// The rotate axis of `node` and, when it is a joint, its joint orient, in the current
/// evaluation context.
JointRotation readJointRotation(const MObject& node);

/// The local rotation that the rotate values `rotate` give: axis * rotate * orient.
MMatrix composeRotation(const JointRotation& joint, const MEulerRotation& rotate);

/// The rotate values of order `order` that give the local rotation `local`: the rotation
/// inverse(axis) * local * inverse(orient) decomposed (see nearestEuler).
MEulerRotation rotateFor(const JointRotation& joint, const MMatrix& local,
                         MEulerRotation::RotationOrder order, const MEulerRotation* previous);

/// The rotation `rotation` as angles of order `order`: within [-pi, pi] without `previous`;
/// with it, the equivalent angles closest to it, so that a sequence of samples keyed one after
/// the other stays continuous.
MEulerRotation nearestEuler(const MMatrix& rotation, MEulerRotation::RotationOrder order,
                            const MEulerRotation* previous);
