#pragma once
// Rotation as a quaternion: imaginary part x, y, z and real part w.

#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

#define kQuaternionEpsilon 1.0e-10

/// A unit quaternion stands for the rotation it makes; asMatrix gives the same row-vector
/// matrix that MEulerRotation::asMatrix gives for the same orientation. Products follow the
/// matrices: (a * b).asMatrix() equals a.asMatrix() * b.asMatrix(), a applied first.
class MQuaternion {
public:
    /// The identity rotation (0, 0, 0, 1).
    MQuaternion();
    MQuaternion(const MQuaternion& src);
    MQuaternion(double xx, double yy, double zz, double ww);
    MQuaternion(const double q[4]);
    /// The rotation by `angle` radians about `axisb` (a zero axis gives the identity).
    MQuaternion(double angle, const MVector& axisb);
    ~MQuaternion();
    MQuaternion& operator=(const MQuaternion& src);
    /// The rotation part of `matrix` (which must be a pure rotation).
    MQuaternion& operator=(const MMatrix& matrix);
    MQuaternion& operator=(const MEulerRotation& matrix);
    /// Row-vector rotation matrix; a quaternion that is not of unit length is normalised first.
    MMatrix asMatrix() const;
    /// The same orientation as an Euler rotation of order kXYZ.
    MEulerRotation asEulerRotation() const;
    /// x, y, z, w for 0..3; 0 for any other index.
    double operator[](unsigned int i) const;
    MQuaternion operator*(const MQuaternion& other) const;
    bool operator==(const MQuaternion& other) const;
    bool operator!=(const MQuaternion& other) const;
    /// Every component within `tolerance` of the other's.
    bool isEquivalent(const MQuaternion& other, double tolerance = kQuaternionEpsilon) const;
    MQuaternion normal() const;
    MQuaternion conjugate() const;
    MQuaternion inverse() const;
    static const MQuaternion identity;

    double x, y, z, w;
};

OPENMAYA_NAMESPACE_CLOSE
