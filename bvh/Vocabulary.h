#pragma once
// The words of the BVH text format, shared by the reader and the writer.

#include <string_view>

namespace bvh {

inline constexpr std::string_view kHierarchy = "HIERARCHY";
inline constexpr std::string_view kMotion = "MOTION";
inline constexpr std::string_view kRoot = "ROOT";
inline constexpr std::string_view kJoint = "JOINT";
inline constexpr std::string_view kEnd = "End";
inline constexpr std::string_view kSite = "Site";
inline constexpr std::string_view kOpenBrace = "{";
inline constexpr std::string_view kCloseBrace = "}";
inline constexpr std::string_view kOffset = "OFFSET";
inline constexpr std::string_view kChannels = "CHANNELS";
inline constexpr std::string_view kFrames = "Frames:";
inline constexpr std::string_view kFrameTime = "Frame Time:";
/// The reader recognises the frame-time line by this shorter text anywhere in the line.
inline constexpr std::string_view kTimeMarker = "Time:";

/// Name of the transform that a skeleton import creates, and the export translator's
/// recognition text.
inline constexpr std::string_view kImportTransformName = "bvh_import";

/// Prefix of the joint created for an end site ("Effector" + parent name).
inline constexpr std::string_view kEffectorPrefix = "Effector";

/// The six channels, in attribute order translateX..rotateZ. Index i of both tables names
/// the same channel.
inline constexpr std::string_view kChannelNames[6] = {"Xposition", "Yposition", "Zposition",
                                                      "Xrotation", "Yrotation", "Zrotation"};
inline constexpr std::string_view kAttributeNames[6] = {"translateX", "translateY", "translateZ",
                                                        "rotateX",    "rotateY",    "rotateZ"};

/// Index 0..5 of a channel name, or -1 when it is none of the six.
inline int channelIndex(std::string_view name) {
    for (int i = 0; i < 6; ++i)
        if (kChannelNames[i] == name) return i;
    return -1;
}

/// Index 0..5 of an attribute long name, or -1 when it is none of the six.
inline int attributeIndex(std::string_view name) {
    for (int i = 0; i < 6; ++i)
        if (kAttributeNames[i] == name) return i;
    return -1;
}

/// Angles are converted with pi taken as 3.14159 in both directions, so that files written
/// and read by this system agree with each other.
inline constexpr double kPi = 3.14159;

}  // namespace bvh
