#pragma once
// Rotation order names and the host's two enumerations of them.

#include <string_view>

namespace bvh {

/// The six order names, in the order of the host's MEulerRotation::RotationOrder values
/// 0..5 (and of its MTransformationMatrix::RotationOrder values 1..6).
inline constexpr std::string_view kOrderNames[6] = {"XYZ", "YZX", "ZXY", "XZY", "YXZ", "ZYX"};

/// MTransformationMatrix::RotationOrder value of an order name (exact, case-sensitive):
/// 1..6, or 7 for any other text, the empty text included.
inline int transformOrderFromName(std::string_view name) {
    for (int i = 0; i < 6; ++i)
        if (kOrderNames[i] == name) return i + 1;
    return 7;
}

/// MEulerRotation::RotationOrder value of an order name: 0..5, or 0 for any other text.
inline int eulerOrderFromName(std::string_view name) {
    for (int i = 0; i < 6; ++i)
        if (kOrderNames[i] == name) return i;
    return 0;
}

}  // namespace bvh
