#pragma once
// Rotation as three angles (radians) about X, Y and Z, applied in the given order.

#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

#define kEulerRotationEpsilon 1.0e-10

/// Order kXYZ means: rotate about X first, then Y, then Z (for column vectors the matrix
/// is Rz*Ry*Rx; asMatrix gives its transpose, in the host's row-vector convention). The
/// other orders follow the same pattern.
class MEulerRotation {
public:
    enum RotationOrder { kXYZ, kYZX, kZXY, kXZY, kYXZ, kZYX };
    /// The zero rotation, order kXYZ.
    MEulerRotation();
    MEulerRotation(const MEulerRotation& src);
    MEulerRotation(const MVector& v, RotationOrder ord = kXYZ);
    MEulerRotation(double xx, double yy, double zz, RotationOrder ord = kXYZ);
    ~MEulerRotation();
    MEulerRotation& operator=(const MEulerRotation& src);
    MEulerRotation& setValue(double xx, double yy, double zz, RotationOrder ord = kXYZ);
    MMatrix asMatrix() const;
    MVector asVector() const;
    /// x, y, z for 0, 1, 2; 0 for any other index.
    double operator[](unsigned int i) const;
    /// Index 0, 1, 2 for x, y, z; any other index refers to z.
    double& operator[](unsigned int i);
    /// Exact comparison of angles and order.
    bool operator==(const MEulerRotation& other) const;
    bool operator!=(const MEulerRotation& other) const;
    /// Same order and every angle within `tolerance` of the other's.
    bool isEquivalent(const MEulerRotation& other, double tolerance = kEulerRotationEpsilon) const;
    bool isZero(double tolerance = kEulerRotationEpsilon) const;
    /// The same orientation expressed in order `ord`, each angle within [-pi, pi]; stays
    /// accurate near gimbal lock.
    MEulerRotation reorder(RotationOrder ord) const;
    MEulerRotation& reorderIt(RotationOrder ord);
    /// Each angle wrapped into [-pi, pi] (the same orientation, same order).
    MEulerRotation bound() const;
    MEulerRotation& boundIt();
    MEulerRotation& boundIt(const MEulerRotation& src);
    /// The rotation equivalent to this one that is nearest to `dst`. Candidates are both
    /// Euler solutions of the orientation in this rotation's order, (a, b, c) and
    /// (a + pi, pi - b, c + pi), with any multiple of 2*pi added to each angle; nearest
    /// means the smallest sum of absolute angle differences. `dst` is taken as a plain
    /// triple of angles whatever its order.
    MEulerRotation closestSolution(const MEulerRotation& dst) const;
    MEulerRotation& setToClosestSolution(const MEulerRotation& dst);
    MEulerRotation& setToClosestSolution(const MEulerRotation& src, const MEulerRotation& dst);
    static MEulerRotation bound(const MEulerRotation& src);
    static MEulerRotation closestSolution(const MEulerRotation& src, const MEulerRotation& dst);
    /// The rotation of order `ord` whose matrix is the rotation part of `matrix` (which
    /// must be a pure rotation), each angle within [-pi, pi].
    static MEulerRotation decompose(const MMatrix& matrix, RotationOrder ord);
    static const MEulerRotation identity;

    double x, y, z;
    RotationOrder order;
};

OPENMAYA_NAMESPACE_CLOSE
