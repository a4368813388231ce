#include "import/BvhImport.h"

#include <maya/MFileObject.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnTransform.h>
#include <maya/MStringArray.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>

#include "bvh/LineReader.h"
#include "bvh/Text.h"
#include "bvh/Vocabulary.h"
#include "plugin/FileKind.h"
#include "plugin/LongTask.h"
#include "plugin/Messages.h"
#include "plugin/Registration.h"

namespace {

enum class Section { kNone, kHierarchy, kMotion };

// Whole-step re-keying samples every curve at every whole step between the first key and the
// last, so a small file whose frames lie far apart can ask for any number of keys. It may make
// up to kWholeStepsPerFrame samples per frame keyed (a 2.4 fps capture in a 120 fps scene),
// and kWholeStepKeysAlways keys whatever the file, but never more than kWholeStepKeysMost
// (about 800 MB); a larger request is refused rather than filling the host's memory with keys
// no one asked for.
constexpr double kWholeStepsPerFrame = 50.0;
constexpr double kWholeStepKeysAlways = 2.0e6;
constexpr double kWholeStepKeysMost = 5.0e7;

}  // namespace

BvhImport::BvhImport() { applyOptions(kImportDefaultOptions); }

BvhImport::~BvhImport() = default;

void* BvhImport::creator() { return new BvhImport(); }

MPxFileTranslator::MFileKind BvhImport::identifyFile(const MFileObject&, const char* buffer,
                                                     short size) const {
    return fileKindByPrefix(buffer, size, bvh::kHierarchy);
}

void BvhImport::applyOptions(const MString& optionsString) {
    if (optionsString.length() == 0) return;
    MStringArray items;
    optionsString.split(';', items);
    for (unsigned int i = 0; i < items.length(); ++i) {
        MStringArray parts;
        items[i].split('=', parts);
        if (parts.length() < 2) continue;  // no key, or a key without "=": ignored
        const MString& key = parts[0];
        const MString& value = parts[1];
        if (key == "importSkelton") importSkelton = value.asInt();
        else if (key == "importAnimation") importAnimation = value.asInt();
        else if (key == "clipboard" || key == "clip") continue;  // accepted, no effect
        else if (key == "importFrameRange") importFrameRange = value.asInt();
        else if (key == "startFrame") startFrame = value.asInt();
        else if (key == "endFrame") endFrame = value.asInt();
        else if (key == "pasteTimeRange") pasteTimeRange = value.asInt();
        else if (key == "startTime") readStartTime_ = keyTimeValue = value.asDouble();
        else if (key == "endTime") endTime = value.asDouble();
        else if (key == "inputKeys") inputKeys = value.asInt();
        else if (key == "frameRate") frameRate = value.asInt();
        else if (key == "frameRateUnit") frameRateUnit = value;
        else if (key == "frameRateNum") frameRateNum = value.asDouble();
        else if (key == "notFloatingKey") notFloatingKey = value.asInt();
        else if (key == "scale") scale = value.asDouble();
        else if (key == "rotationOrder") rotationOrder = value;
        else if (key == "matchBy") matchBy = value;
    }
}

void BvhImport::deriveFrameRate() {
    if (frameRate != 1) return;
    static const struct {
        const char* name;
        double rate;
    } kRates[] = {{"game", 15},        {"film", 24},   {"pal", 25},          {"ntsc", 30},
                  {"show", 48},        {"palf", 50},   {"ntscf", 60},        {"millisec", 1000},
                  {"sec", 1},          {"min", 0.016666666}, {"hour", 0.000277777}};
    for (const auto& entry : kRates) {
        if (frameRateUnit == entry.name) {
            frameRateNum = entry.rate;
            return;
        }
    }
    // Names such as "100fps": the number before the first "f". Without one (an empty unit,
    // the registered defaults' case) the rate stays as the options left it.
    const std::string unit = frameRateUnit.asChar();
    const std::size_t f = unit.find('f');
    if (f == std::string::npos || f == 0) return;
    const double rate = MString(unit.substr(0, f).c_str()).asDouble();
    if (rate > 0 && std::isfinite(rate)) frameRateNum = rate;
}

MStatus BvhImport::reader(const MFileObject& file, const MString& optionsString,
                          FileAccessMode) {
    try {
        // Per-read resets, then the options, the frame rate and the time of the first key.
        frameRateNum = 24.0;
        keyTimeValue = 0.0;
        readStartTime_ = 0.0;
        endTime = 999999.0;
        scale = 1.0;
        stopReading = 0;
        framesKeyed = 0;
        currentFrame = 1;
        path_ = file.resolvedFullName().asChar();
        applyOptions(optionsString);
        deriveFrameRate();
        keyTime = MTime(keyTimeValue, MTime::uiUnit());

        bvh::LineReader lines;
        if (lines.open(path_) != bvh::LineReader::OpenResult::kOk) {
            bvhio::reportError(path_, "could not be opened for reading");
            return MS::kFailure;
        }
        if (inputKeys != 1 && !(frameRateNum > 0 && std::isfinite(frameRateNum))) {
            bvhio::reportError(path_, bvhio::textOf("frameRateNum must be a positive number of "
                                                    "frames per second to space keys (inputKeys=",
                                                    inputKeys, "), not ", frameRateNum));
            return MS::kFailure;
        }
        if (importSkelton == 2 && matchBy != "position" && matchBy != "name") {
            bvhio::reportError(path_, bvhio::textOf("matchBy must be position or name, not \"",
                                                    matchBy.asChar(), "\""));
            return MS::kFailure;
        }
        return readFile(path_, lines);
    } catch (const std::exception& e) {
        bvhio::reportError(path_, std::string("import failed: ") + e.what());
        return MS::kFailure;
    } catch (...) {
        bvhio::reportError(path_, "import failed");
        return MS::kFailure;
    }
}

void ImportReadState::Renamed::note(std::string_view fileName, std::string_view sceneName) {
    constexpr std::size_t kShown = 3;
    if (count < kShown) {
        if (count > 0) first += ", ";
        first += bvh::clippedForMessage(fileName);
        first += " -> ";
        first += bvh::clippedForMessage(sceneName);
    } else if (count == kShown) {
        first += ", ...";
    }
    ++count;
}

MStatus BvhImport::readFile(const std::string& path, bvh::LineReader& lines) {
    ImportReadState state;
    orderWarned_ = false;
    state.gatherKeys = keysPerCurve;
    keyTimes.clear();
    previousValues.clear();
    // Without a "Frame Time:" line in this file, keys are spaced one frame of frameRateNum.
    frameTime = 1.0 / frameRateNum;
    frameTimeRead_ = false;

    const bool byName = importSkelton == 2 && matchBy == "name";
    if (importSkelton == 2) {
        MObjectArray& targets = byName ? state.targets : state.joints;
        collectTargetJoints(targets);
        if (targets.length() == 0) {
            bvhio::reportError(path, "Select a joint");
            return MS::kFailure;
        }
    } else {
        MFnTransform transformFn;
        importTransform = transformFn.create(MObject::kNullObj);
        transformFn.setName(MString(std::string(bvh::kImportTransformName).c_str()));
    }

    // Progress by the bytes of the lines read (each with one byte for its line end).
    std::error_code sizeError;
    const std::uintmax_t size = std::filesystem::file_size(path, sizeError);
    LongTask task(sizeError ? 0 : size);
    std::uint64_t bytesRead = 0;
    bool cancelled = false;
    Section section = Section::kNone;
    std::string_view line;
    try {
        while (lines.next(line)) {
            state.lineNumber = lines.lineNumber();
            if (line == bvh::kHierarchy)
                section = Section::kHierarchy;
            else if (line == bvh::kMotion)
                section = Section::kMotion;

            if (section == Section::kHierarchy) {
                if (importSkelton != 2 ||
                    state.jointIndex <= static_cast<int>(state.joints.length()))
                    parseHierarchyLine(line, state);
            } else if (section == Section::kMotion) {
                if (importAnimation == 1) parseMotionLine(line, state);
            }
            if (stopReading != 0 || !state.error.empty()) break;
            bytesRead += line.size() + 1;
            if (task.stopRequested(bytesRead)) {
                cancelled = true;
                break;
            }
        }
    } catch (...) {
        // What was keyed before the failure stays, as it would have key by key.
        handOverCurveKeys(state);
        throw;
    }
    lines.close();
    handOverCurveKeys(state);
    if (state.renamed.count > 0)
        bvhio::reportWarning(path, bvhio::textOf(state.renamed.count,
                                                 " joint names are not names the host can hold "
                                                 "or clash with a sibling's; they were changed: ",
                                                 state.renamed.first));
    if (cancelled) {
        bvhio::reportError(bvhio::fileLine(path, state.lineNumber),
                           bvhio::textOf("import cancelled after frame ", currentFrame - 1,
                                         "; the keys up to it stay, the rest of the file was"
                                         " not read"));
        return MS::kFailure;
    }
    if (!state.error.empty()) {
        bvhio::reportError(bvhio::fileLine(path, state.lineNumber),
                           state.error + "; the import stopped");
        return MS::kFailure;
    }
    if (lines.failed()) {
        bvhio::reportError(path, bvhio::textOf("read error; the import stopped at line ",
                                               lines.lineNumber() + 1));
        return MS::kFailure;
    }

    if (state.nonFiniteValues > 0) {
        bvhio::reportWarning(bvhio::fileLine(path, state.firstNonFiniteLine),
                             bvhio::textOf("not keyed: ", state.nonFiniteValues,
                                           state.nonFiniteValues == 1
                                               ? " frame value that is"
                                               : " frame values that are",
                                           " no finite number (nan, inf), the first on this line"));
    }
    const long long framesRead = currentFrame - 1;
    if (state.declaredFrames >= 0 && stopReading == 0 && framesRead != state.declaredFrames) {
        bvhio::reportWarning(
            bvhio::fileLine(path, state.declaredFramesLine),
            bvhio::textOf("the file declares ", state.declaredFrames, " frames and holds ",
                          framesRead, " frame lines; all ", framesRead, " are read"));
    }

    if (byName) warnUnmatched(state);
    MStatus status = MS::kSuccess;
    if (inputKeys != 1 && notFloatingKey != 0 && !rekeyWholeSteps(path, state, readStartTime_))
        status = MS::kFailure;
    keyTimes.clear();
    previousValues.clear();
    return status;
}

bool BvhImport::rekeyWholeSteps(const std::string& path, ImportReadState& state,
                                double startTime) {
    keyTimeValue = keyTimeValue - frameTime * frameRateNum - 0.05;
    const double span = std::ceil(keyTimeValue - startTime);
    const std::size_t curves = state.curves.size();
    if (curves == 0) return true;  // nothing to re-key, however long the span
    const double keys = (span + 1) * static_cast<double>(curves);
    const double allowed = std::min(
        kWholeStepKeysMost,
        std::max(kWholeStepKeysAlways,
                 kWholeStepsPerFrame * framesKeyed * static_cast<double>(curves)));
    if (!std::isfinite(span) || keys > allowed) {
        bvhio::reportError(path, bvhio::textOf("whole-step re-keying refused: ", span + 1,
                                               " steps on ", curves, " curves are too many keys"));
        return false;
    }
    if (span < 0) return true;
    // Within range: the bound above allows at most kWholeStepKeysMost steps.
    const unsigned int count = static_cast<unsigned int>(span) + 1;
    const MTime::Unit unit = MTime::uiUnit();
    // The same whole steps on every curve.
    MTimeArray times;
    times.setLength(count);
    keyTime = MTime(startTime, unit);
    for (unsigned int i = 0; i < count; ++i) {
        times[i] = keyTime;
        ++keyTime;
    }
    MDoubleArray values;
    values.setLength(count);
    for (auto& curveFn : state.curves) {
        MFnAnimCurve& curve = *curveFn;
        for (unsigned int i = 0; i < count; ++i) values[i] = curve.evaluate(times[i]);
        for (unsigned int k = 0; k < keyTimes.length(); ++k) {
            unsigned int index = 0;
            if (curve.find(keyTimes[k], index)) curve.remove(index);
        }
        curve.addKeys(&times, &values, MFnAnimCurve::kTangentGlobal, MFnAnimCurve::kTangentGlobal,
                      false);
    }
    return true;
}
