#pragma once
// Rotation matrices of Euler angles for the stand-in's own arithmetic (math.cpp): the same
// matrices MEulerRotation::asMatrix and decompose work with, 3x3, in the host's row-vector
// convention, without building an MMatrix.

#include <maya/MEulerRotation.h>

namespace standin {
namespace detail {

/// The Euler order of a transform's rotation order (MTransformationMatrix kXYZ..kZYX are
/// 1..6); anything else turns as XYZ.
inline MEulerRotation::RotationOrder eulerOrderOf(int transformOrder) {
    return transformOrder >= 1 && transformOrder <= 6
               ? static_cast<MEulerRotation::RotationOrder>(transformOrder - 1)
               : MEulerRotation::kXYZ;
}

/// The rotation of `angles` in their order.
void rotationRows(const MEulerRotation& angles, double rows[3][3]);
/// Angles of `order` that give the rotation `rows`.
MEulerRotation anglesOfRows(const double rows[3][3], MEulerRotation::RotationOrder order);

}  // namespace detail
}  // namespace standin
