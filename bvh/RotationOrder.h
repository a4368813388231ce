#pragma once
// Rotation orders: their names and the host's two enumerations of them, and the order of
// their rotation channels in a file. The one table for import and export.

#include <algorithm>
#include <string>
#include <string_view>

namespace bvh {

/// The six order names, in the order of the host's MEulerRotation::RotationOrder values
/// 0..5 (and of its MTransformationMatrix::RotationOrder values 1..6). An order "XYZ"
/// rotates about X first; a CHANNELS line lists its rotations the other way round
/// (Zrotation Yrotation Xrotation).
inline constexpr std::string_view kOrderNames[6] = {"XYZ", "YZX", "ZXY", "XZY", "YXZ", "ZYX"};

/// Index 0..5 of an order name (exact, case-sensitive), -1 for any other text.
inline int orderIndex(std::string_view name) {
    for (int i = 0; i < 6; ++i)
        if (kOrderNames[i] == name) return i;
    return -1;
}

/// The order a joint is given and rotations are converted into for an option text: the
/// named order, XYZ (the host's default) for any other text.
inline int orderIndexOrXYZ(std::string_view name) {
    const int index = orderIndex(name);
    return index < 0 ? 0 : index;
}

/// Axis letter ('X', 'Y', 'Z') of a rotation channel kind (3..5, as kChannelNames numbers them).
inline char rotationAxisLetter(int kind) { return "XYZ"[kind - 3]; }

/// The order name that rotation channels about `axes` (their letters, in the order of the
/// CHANNELS line) stand for: the last channel first, so "ZXY" stands for "YXZ". Fewer than
/// three axes, or repeated ones, give a text that names no order.
inline std::string orderOfChannels(std::string axes) {
    std::reverse(axes.begin(), axes.end());
    return axes;
}

/// MTransformationMatrix::RotationOrder value (1..6) of an order index.
inline int transformOrder(int index) { return index + 1; }

/// Order index of an MTransformationMatrix::RotationOrder value, -1 when it is not 1..6.
inline int orderIndexOfTransform(int value) { return value >= 1 && value <= 6 ? value - 1 : -1; }

/// Axis (0 X, 1 Y, 2 Z) of the k-th rotation channel (k = 0..2) that a CHANNELS line lists
/// for order index `index`.
inline int channelAxis(int index, int k) { return kOrderNames[index][2 - k] - 'X'; }

}  // namespace bvh
