#include "export/ExportSettings.h"

#include <maya/MTime.h>

#include <climits>
#include <cmath>

#include "bvh/NumberFormat.h"
#include "plugin/OptionString.h"

namespace bvhexport {

namespace {

std::string numberText(double value) { return bvh::formatNumber(value); }

std::string optionText(const char* key, long long value) {
    return std::string(key) + "=" + std::to_string(value);
}

}  // namespace

ExportSettings::ExportSettings() { applyExportOptions(kExportDefaultOptions, *this); }

void applyExportOptions(const MString& options, ExportSettings& settings) {
    bvhio::applyOptionString(options, {{"exportMode", &settings.exportMode},
                                       {"frameRate", &settings.frameRate},
                                       {"frameRateUnit", &settings.frameRateUnit},
                                       {"frameRateNum", &settings.frameRateNum},
                                       {"exportKeyRange", &settings.exportKeyRange},
                                       {"exportFrameRange", &settings.exportFrameRange},
                                       {"startFrame", &settings.startFrame},
                                       {"endFrame", &settings.endFrame},
                                       {"scale", &settings.scale},
                                       {"rotationOrder", &settings.rotationOrder}});
}

std::string checkExportSettings(const ExportSettings& settings) {
    const int mode = settings.exportMode;
    if (mode < 1 || mode > 3) {
        return optionText("exportMode", mode) +
               " is not an export mode (1 keys, 2 frames, 3 resample)";
    }
    if (mode == 3 && !(settings.frameRateNum > 0 && std::isfinite(settings.frameRateNum))) {
        return "frameRateNum=" + numberText(settings.frameRateNum) +
               " is not a frame rate: resampling (exportMode=3) needs a positive number of "
               "frames per second";
    }
    return {};
}

double secondsPerFrame(int unit) {
    // The host knows the length of its own units, those added by later versions and
    // user-defined ones included.
    if (unit == 0) return 1;  // invalid unit
    if (unit > 0 && unit < static_cast<int>(MTime::kLast)) {
        const double seconds = MTime(1.0, static_cast<MTime::Unit>(unit)).as(MTime::kSeconds);
        if (seconds > 0 && std::isfinite(seconds)) return seconds;
    }
    return 1.0 / 24;
}

std::string planMotion(const ExportSettings& settings, std::uint64_t keyCount, int uiUnit,
                       MotionPlan& plan, const std::string& keys) {
    const long long start = settings.startFrame;
    const long long end = settings.endFrame;
    const std::string rangeText =
        optionText("startFrame", start) + " and " + optionText("endFrame", end);
    plan = MotionPlan{};
    plan.frameTime = secondsPerFrame(uiUnit);
    plan.firstSample = static_cast<double>(start);
    plan.step = 1;
    // More keys than any file holds count as more than the most lines written.
    const long long keysKnown = keyCount > static_cast<std::uint64_t>(kMaxLines)
                                    ? kMaxLines + 1
                                    : static_cast<long long>(keyCount);

    long long first = 0;
    long long last = 0;  // adjusted endFrame
    double count = 0;
    std::string range = rangeText;
    switch (settings.exportMode) {
        case 1:
            if (settings.exportKeyRange == 1) {
                first = 0;
                last = keysKnown;
                count = static_cast<double>(keysKnown);
                range = "exportKeyRange=1 with " + std::to_string(keyCount) + " key times";
            } else {
                first = start - 1;
                last = end;
                count = static_cast<double>(last - first);
                // Key numbers count from 1; no line lies beyond the key times.
                if (count > 0 && (first < 0 || last > keysKnown)) {
                    return rangeText + " are not key numbers of " +
                           (keys.empty() ? "the first animation curve with keys, which has " +
                                               std::to_string(keyCount) + " keys"
                                         : keys);
                }
            }
            break;
        case 2:
            first = start - 1;
            last = end;
            count = static_cast<double>(last - first);
            break;
        case 3: {
            const double secondsPerUiFrame = plan.frameTime;
            plan.step = (1 / secondsPerUiFrame) / settings.frameRateNum;
            plan.frameTime = 1 / settings.frameRateNum;
            count = std::floor(static_cast<double>(end - start) / plan.step) + 1;
            range += " at frameRateNum=" + numberText(settings.frameRateNum);
            first = 0;
            last = count <= kMaxLines ? static_cast<long long>(count) : 0;
            break;
        }
        default:
            return optionText("exportMode", settings.exportMode) + " is not an export mode";
    }
    // A negative count (an empty range) is written as it is, if an int holds it.
    if (!(count >= INT_MIN)) return range + " give more frames than a file can count";
    if (!(count <= kMaxLines)) {
        const std::string lines =
            count < 1e18 ? std::to_string(static_cast<long long>(count)) : numberText(count);
        return range + " would write " + lines + " lines; an export writes at most " +
               std::to_string(kMaxLines);
    }
    // The adjusted range is stored back as startFrame and endFrame.
    if (first < INT_MIN || first > INT_MAX || last < INT_MIN || last > INT_MAX)
        return rangeText + " give more frames than a file can count";
    plan.lineCount = static_cast<int>(count);
    plan.firstLine = static_cast<int>(first);
    plan.endLine = static_cast<int>(last);
    return {};
}

}  // namespace bvhexport
