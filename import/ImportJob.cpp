#include "import/ImportJob.h"

#include <maya/MDoubleArray.h>
#include <maya/MFnDependencyNode.h>
#include <maya/MFnTransform.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>

#include "bvh/FilePath.h"
#include "bvh/LineReader.h"
#include "bvh/Text.h"
#include "bvh/Vocabulary.h"
#include "plugin/LongTask.h"
#include "plugin/Messages.h"

namespace bvhimport {

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

MStatus ImportJob::run(const std::string& path, const MString& options) {
    // Per-read resets, then the options, the frame rate and the time of the first key.
    settings_.resetForRead();
    path_ = path;
    applyImportOptions(options, settings_);
    deriveFrameRate(settings_);
    keyTimeValue_ = settings_.startTime;
    keyTime_ = MTime(keyTimeValue_, MTime::uiUnit());

    bvh::LineReader lines;
    if (lines.open(path_) != bvh::LineReader::OpenResult::kOk) {
        bvhio::reportError(path_, "could not be opened for reading");
        return MS::kFailure;
    }
    const std::string problem = checkImportSettings(settings_);
    if (!problem.empty()) {
        bvhio::reportError(path_, problem);
        return MS::kFailure;
    }
    return readFile(lines);
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

MStatus ImportJob::readFile(bvh::LineReader& lines) {
    state_.gatherKeys = settings_.keysPerCurve;
    // Without a "Frame Time:" line in this file, keys are spaced one frame of frameRateNum.
    settings_.frameTime = 1.0 / settings_.frameRateNum;

    const bool byName = settings_.importSkelton == 2 && settings_.matchBy == "name";
    if (settings_.importSkelton == 2) {
        MObjectArray& targets = byName ? state_.targets : state_.joints;
        collectTargetJoints(targets);
        if (targets.length() == 0) {
            bvhio::reportError(path_, "Select a joint");
            return MS::kFailure;
        }
    } else {
        MFnTransform transformFn;
        importTransform_ = transformFn.create(MObject::kNullObj);
        transformFn.setName(MString(std::string(bvh::kImportTransformName).c_str()));
    }

    // Progress by the bytes of the lines read (each with one byte for its line end).
    std::error_code sizeError;
    const std::uintmax_t size = std::filesystem::file_size(bvh::pathFromUtf8(path_), sizeError);
    LongTask task(sizeError ? 0 : size);
    std::uint64_t bytesRead = 0;
    bool cancelled = false;
    Section section = Section::kNone;
    std::string_view line;
    try {
        while (lines.next(line)) {
            state_.lineNumber = lines.lineNumber();
            if (line == bvh::kHierarchy)
                section = Section::kHierarchy;
            else if (line == bvh::kMotion)
                section = Section::kMotion;

            if (section == Section::kHierarchy) {
                if (settings_.importSkelton != 2 ||
                    state_.jointIndex <= static_cast<int>(state_.joints.length()))
                    parseHierarchyLine(line);
            } else if (section == Section::kMotion) {
                if (settings_.importAnimation == 1) parseMotionLine(line);
            }
            if (stopReading_ || !state_.error.empty()) break;
            bytesRead += line.size() + 1;
            if (task.stopRequested(bytesRead)) {
                cancelled = true;
                break;
            }
        }
    } catch (...) {
        // What was keyed before the failure stays, as it would have key by key.
        handOverCurveKeys();
        throw;
    }
    lines.close();
    handOverCurveKeys();
    if (state_.renamed.count > 0)
        bvhio::reportWarning(path_, bvhio::textOf(state_.renamed.count,
                                                  " joint names are not names the host can hold "
                                                  "or clash with a sibling's; they were changed: ",
                                                  state_.renamed.first));
    if (cancelled) {
        bvhio::reportError(bvhio::fileLine(path_, state_.lineNumber),
                           bvhio::textOf("import cancelled after frame ", currentFrame_ - 1,
                                         "; the keys up to it stay, the rest of the file was"
                                         " not read"));
        return MS::kFailure;
    }
    if (!state_.error.empty()) {
        bvhio::reportError(bvhio::fileLine(path_, state_.lineNumber),
                           state_.error + "; the import stopped");
        return MS::kFailure;
    }
    if (lines.failed()) {
        bvhio::reportError(path_, bvhio::textOf("read error; the import stopped at line ",
                                                lines.lineNumber() + 1));
        return MS::kFailure;
    }

    if (state_.nonFiniteValues > 0) {
        bvhio::reportWarning(bvhio::fileLine(path_, state_.firstNonFiniteLine),
                             bvhio::textOf("not keyed: ", state_.nonFiniteValues,
                                           state_.nonFiniteValues == 1 ? " frame value that is"
                                                                       : " frame values that are",
                                           " no finite number (nan, inf), the first on this line"));
    }
    const long long framesRead = currentFrame_ - 1;
    if (state_.declaredFrames >= 0 && !stopReading_ && framesRead != state_.declaredFrames) {
        bvhio::reportWarning(
            bvhio::fileLine(path_, state_.declaredFramesLine),
            bvhio::textOf("the file declares ", state_.declaredFrames, " frames and holds ",
                          framesRead, " frame lines; all ", framesRead, " are read"));
    }

    if (byName) warnUnmatched();
    MStatus status = MS::kSuccess;
    if (settings_.inputKeys != 1 && settings_.notFloatingKey != 0 && !rekeyWholeSteps())
        status = MS::kFailure;
    return status;
}

bool ImportJob::rekeyWholeSteps() {
    const double startTime = settings_.startTime;
    keyTimeValue_ = keyTimeValue_ - settings_.frameTime * settings_.frameRateNum - 0.05;
    const double span = std::ceil(keyTimeValue_ - startTime);
    const std::size_t curves = state_.curves.size();
    if (curves == 0) return true;  // nothing to re-key, however long the span
    const double keys = (span + 1) * static_cast<double>(curves);
    const double allowed = std::min(
        kWholeStepKeysMost, std::max(kWholeStepKeysAlways, kWholeStepsPerFrame * framesKeyed_ *
                                                               static_cast<double>(curves)));
    if (!std::isfinite(span) || keys > allowed) {
        bvhio::reportError(path_, bvhio::textOf("whole-step re-keying refused: ", span + 1,
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
    keyTime_ = MTime(startTime, unit);
    for (unsigned int i = 0; i < count; ++i) {
        times[i] = keyTime_;
        ++keyTime_;
    }
    MDoubleArray values;
    values.setLength(count);
    for (auto& curveFn : state_.curves) {
        MFnAnimCurve& curve = *curveFn;
        for (unsigned int i = 0; i < count; ++i) values[i] = curve.evaluate(times[i]);
        for (unsigned int k = 0; k < keyTimes_.length(); ++k) {
            unsigned int index = 0;
            if (curve.find(keyTimes_[k], index)) curve.remove(index);
        }
        curve.addKeys(&times, &values, MFnAnimCurve::kTangentGlobal, MFnAnimCurve::kTangentGlobal,
                      false);
    }
    return true;
}

}  // namespace bvhimport
