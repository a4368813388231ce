#pragma once
// The two header lines of the MOTION section, "Frames: n" and "Frame Time: t", which a file
// may also write on one line.

#include <string>
#include <string_view>

namespace bvh {

/// The number texts of the header keywords found in one line of the MOTION section.
struct MotionHeader {
    bool hasFrames = false;      ///< the line holds "Frames:"
    bool hasFrameTime = false;   ///< the line holds the frame-time marker "Time:"
    std::string_view frames;     ///< the token after "Frames:"; empty when there is none
    std::string_view frameTime;  ///< the last token after "Time:" (up to a "Frames:" after
                                 ///< it); empty when there is none
};

/// Finds the frame count and the frame time in `line`, in either order. Views into `line`.
MotionHeader readMotionHeader(std::string_view line);

/// Half a unit in the last digit of the decimal number `text` as written (0.0416667 gives
/// 5e-8, 4.2e-2 gives 5e-4): how far the value it stands for may lie from it.
double writtenPrecision(std::string_view text);

/// The frame-time text of the first frame-time line of the MOTION section of the file at
/// `path`; false when the file cannot be read or has no such line.
bool readFrameTimeText(const std::string& path, std::string& text);

}  // namespace bvh
