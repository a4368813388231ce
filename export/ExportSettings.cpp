#include "export/ExportSettings.h"

#include <maya/MStringArray.h>
#include <maya/MTime.h>

#include <climits>
#include <cmath>

#include "bvh/NumberFormat.h"

namespace bvhexport {

namespace {

std::string numberText(double value) { return bvh::formatNumber(value); }

std::string optionText(const char* key, long long value) {
    return std::string(key) + "=" + std::to_string(value);
}

bool fitsInt(long long value) { return value >= INT_MIN && value <= INT_MAX; }

}  // namespace

void applyExportOptions(const MString& options, ExportSettings& settings) {
    if (options.length() == 0) return;
    MStringArray pieces;
    options.split(';', pieces);
    for (unsigned i = 0; i < pieces.length(); ++i) {
        MStringArray parts;
        pieces[i].split('=', parts);
        // A key without "=" names no value; it changes nothing.
        if (parts.length() < 2) continue;
        const MString& key = parts[0];
        const MString& value = parts[1];
        if (key == "exportMode") {
            settings.exportMode = value.asInt();
        } else if (key == "frameRate") {
            settings.frameRate = value.asInt();
        } else if (key == "frameRateUnit") {
            settings.frameRateUnit = value.asChar();
        } else if (key == "frameRateNum") {
            settings.frameRateNum = value.asDouble();
        } else if (key == "exportKeyRange") {
            settings.exportKeyRange = value.asInt();
        } else if (key == "exportFrameRange") {
            settings.exportFrameRange = value.asInt();
        } else if (key == "startFrame") {
            settings.startFrame = value.asInt();
        } else if (key == "endFrame") {
            settings.endFrame = value.asInt();
        } else if (key == "scale") {
            settings.scale = value.asDouble();
        } else if (key == "rotationOrder") {
            settings.rotationOrder = value.asChar();
        }
    }
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

std::string planMotion(const ExportSettings& settings, unsigned keyCount, int uiUnit,
                       MotionPlan& plan) {
    const long long start = settings.startFrame;
    const long long end = settings.endFrame;
    const std::string rangeText =
        optionText("startFrame", start) + " and " + optionText("endFrame", end);
    plan = MotionPlan{};
    plan.frameTime = secondsPerFrame(uiUnit);
    plan.firstSample = static_cast<double>(start);
    plan.step = 1;

    long long first = 0;
    long long last = 0;  // adjusted endFrame
    long long count = 0;
    switch (settings.exportMode) {
        case 1:
            if (settings.exportKeyRange == 1) {
                first = 0;
                last = keyCount;
                count = keyCount;
            } else {
                first = start - 1;
                last = end;
                count = last - first;
                // Key numbers count from 1; no channel has a key beyond the keyed curve's.
                if (count > 0 && (first < 0 || last > static_cast<long long>(keyCount))) {
                    return rangeText +
                           " are not key numbers of the first animation curve with "
                           "keys, which has " +
                           std::to_string(keyCount) + " keys";
                }
            }
            break;
        case 2:
            first = start - 1;
            last = end;
            count = last - first;
            break;
        case 3: {
            const double secondsPerUiFrame = plan.frameTime;
            plan.step = (1 / secondsPerUiFrame) / settings.frameRateNum;
            plan.frameTime = 1 / settings.frameRateNum;
            const double lines = std::floor(static_cast<double>(end - start) / plan.step) + 1;
            if (!(lines >= INT_MIN && lines <= INT_MAX)) {
                return rangeText + " at frameRateNum=" + numberText(settings.frameRateNum) +
                       " give more frames than a file can count";
            }
            count = static_cast<long long>(lines);
            first = 0;
            last = count;
            break;
        }
        default:
            return optionText("exportMode", settings.exportMode) + " is not an export mode";
    }
    if (!fitsInt(first) || !fitsInt(last) || !fitsInt(count))
        return rangeText + " give more frames than a file can count";
    plan.lineCount = static_cast<int>(count);
    plan.firstLine = static_cast<int>(first);
    plan.endLine = static_cast<int>(last);
    return {};
}

}  // namespace bvhexport
