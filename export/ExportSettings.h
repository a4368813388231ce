#pragma once
// Export settings: what the option string sets, what carries over between exports, and how
// they turn into the frame range of the MOTION section.

#include <maya/MString.h>

#include <cstdint>
#include <string>

#include "plugin/Registration.h"

namespace bvhexport {

/// The settings of one export translator object. They outlive a single export: an option
/// string sets only the keys it names, and an export stores its adjusted startFrame and
/// endFrame back here (see planMotion). A new object holds the values of the registered
/// default option string (kExportDefaultOptions), 24 frames per second for resampling and
/// empty texts.
struct ExportSettings {
    ExportSettings();

    double frameRateNum = 24;   ///< output frames per second in resample mode
    int exportMode = 0;         ///< 1 keys, 2 frames, 3 resample
    int frameRate = 0;          ///< stored only
    std::string frameRateUnit;  ///< stored only
    int exportKeyRange = 0;    ///< key mode: 1 all keys, otherwise key numbers startFrame..endFrame
    int exportFrameRange = 0;  ///< stored only
    int startFrame = 0;        ///< first UI frame, or first 1-based key number
    int endFrame = 0;          ///< last UI frame or key number, inclusive
    double scale = 0;          ///< factor for offsets and position values
    std::string rotationOrder;  ///< stored only: each joint's own rotation order decides
};

/// The registered default option string, under the name the export's own code uses.
using ::kExportDefaultOptions;

/// Applies an option string to the settings (see bvhio::applyOptionString); unknown keys
/// change nothing.
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

/// The most lines one export writes: more is a mistake (a resample rate given in the wrong
/// unit) and would fill a disk.
inline constexpr long long kMaxLines = 10000000;

/// Works out the lines of the MOTION section from valid settings (see checkExportSettings),
/// the number of key times of key mode and the UI time unit. `keys` names those key times
/// for messages ("the 12 key times of ..."); empty means the first curve that has keys, which
/// key mode follows in a scene keyed attribute by attribute. Returns an empty text and fills
/// `plan` on success; otherwise a one-line reason naming the options at fault: key numbers
/// outside the key times, or a range that would write more than kMaxLines lines (saying how
/// many). An empty range (endFrame before startFrame) is no fault: its negative or zero count
/// is written as it is, followed by no lines.
std::string planMotion(const ExportSettings& settings, std::uint64_t keyCount, int uiUnit,
                       MotionPlan& plan, const std::string& keys = {});

}  // namespace bvhexport
