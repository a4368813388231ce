#pragma once
// Export settings: what the option string sets, what carries over between exports, and how
// they turn into the frame range of the MOTION section.

#include <maya/MString.h>

#include <string>

namespace bvhexport {

/// The settings of one export translator object. They outlive a single export: an option
/// string sets only the keys it names, and an export stores its adjusted startFrame and
/// endFrame back here (see planMotion). A new object holds the values of the registered
/// default option string, 24 frames per second for resampling and empty texts.
struct ExportSettings {
    double frameRateNum = 24;   ///< output frames per second in resample mode
    int exportMode = 1;         ///< 1 keys, 2 frames, 3 resample
    int frameRate = 0;          ///< stored only
    std::string frameRateUnit;  ///< stored only
    int exportKeyRange = 1;    ///< key mode: 1 all keys, otherwise key numbers startFrame..endFrame
    int exportFrameRange = 1;  ///< stored only
    int startFrame = 0;        ///< first UI frame, or first 1-based key number
    int endFrame = 100;        ///< last UI frame or key number, inclusive
    double scale = 1;          ///< factor for offsets and position values
    std::string rotationOrder;  ///< stored only: each joint's own rotation order decides
};

/// The registered default option string of the export translator.
inline constexpr const char* kExportDefaultOptions =
    "exportMode=1;exportKeyRange=1;exportFrameRange=1;startFrame=0;endFrame=100;scale=1;";

/// Applies an option string of "key=value;" pieces from left to right: keys compare exactly
/// and case-sensitively, the value is the text up to the next "=", numbers are read as the
/// host reads them. Pieces without "=" and unknown keys change nothing.
void applyExportOptions(const MString& options, ExportSettings& settings);

/// Empty when the settings can drive an export; otherwise a one-line reason that names the
/// offending option and its value (an unknown exportMode, or resampling without a positive,
/// finite frameRateNum).
std::string checkExportSettings(const ExportSettings& settings);

/// Seconds per frame of a host time unit (an MTime::Unit value), as the host converts it:
/// 1 for the invalid unit 0, 1/24 for a value that is no unit of the host.
double secondsPerFrame(int unit);

/// What the MOTION section writes and samples.
struct MotionPlan {
    int lineCount = 0;     ///< value of the "Frames:" line
    int firstLine = 0;     ///< adjusted startFrame: the first line index (a key index in key mode)
    int endLine = 0;       ///< adjusted endFrame: line indices run up to, not including, it
    double frameTime = 0;  ///< value of the "Frame Time:" line, seconds
    double firstSample = 0;  ///< sample time of the first line, UI frames (frame, resample mode)
    double step = 1;         ///< sample time advance per line, UI frames
};

/// Works out the lines of the MOTION section from valid settings (see checkExportSettings),
/// the key count of the curve whose keys make the lines of key mode (the first one that has
/// keys) and the UI time unit. Returns an empty text and fills `plan` on success; otherwise a
/// one-line reason naming the options at fault (key numbers outside that curve's keys, or a range
/// whose count or bounds an int cannot hold). An empty range (endFrame before startFrame) is no
/// fault: its negative or zero count is written as it is, followed by no lines.
std::string planMotion(const ExportSettings& settings, unsigned keyCount, int uiUnit,
                       MotionPlan& plan);

}  // namespace bvhexport
