#include "import/MotionKeyer.h"

#include <maya/MDoubleArray.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MMatrix.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "bvh/Vocabulary.h"
#include "plugin/Messages.h"

namespace bvhimport {

namespace {

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

MotionKeyer::MotionKeyer(const ImportSettings& settings, KeyPlan& plan, std::string path)
    : settings_(settings),
      plan_(plan),
      path_(std::move(path)),
      gathering_(settings.keysPerCurve),
      // Without a "Frame Time:" line in the file, keys are spaced one frame of frameRateNum.
      frameTime_(1.0 / settings.frameRateNum),
      keyTimeValue_(settings.startTime),
      keyTime_(settings.startTime, MTime::uiUnit()) {}

void MotionKeyer::addCurves() {
    for (std::size_t k = gathered_.size(); k < plan_.curves.size(); ++k)
        gathered_.push_back(gathering_ && !plan_.curves[k].hadKeys
                                ? std::make_unique<CurveKeys>(keyTimes_.length())
                                : nullptr);
}

void MotionKeyer::keyRow(const std::vector<double>& row, std::size_t line, double frameTime) {
    line_ = line;
    if (frameTime > 0) frameTime_ = frameTime;
    bool keyed = true;
    if (settings_.importFrameRange == 2)
        keyed = currentFrame_ >= settings_.startFrame;
    else if (settings_.importFrameRange == 3)
        keyed = settings_.startFrame <= currentFrame_ && currentFrame_ <= settings_.endFrame;
    if (row.size() < plan_.channelsUsed) {
        // Nothing is invented for missing values: the frame keeps its time slot but gets no
        // keys.
        bvhio::reportWarning(bvhio::fileLine(path_, static_cast<long long>(line)),
                             bvhio::textOf("frame line has ", row.size(), " values for ",
                                           plan_.channelsUsed, " channels; it is not keyed"));
        if (keyed) advanceKeyTime();
    } else if (keyed) {
        keyFrame(row);
    }
    ++currentFrame_;
}

void MotionKeyer::advanceKeyTime() {
    if (settings_.inputKeys == 1) {
        keyTimeValue_ += 1;
        ++keyTime_;
    } else {
        keyTimeValue_ += frameTime_ * settings_.frameRateNum;
        keyTime_.setValue(keyTimeValue_);
    }
}

void MotionKeyer::keyFrame(const std::vector<double>& row) {
    const auto targetOrder = static_cast<MEulerRotation::RotationOrder>(plan_.targetOrder);
    values_.resize(plan_.channelsUsed);
    if (previous_.size() < plan_.nodes.size()) previous_.resize(plan_.nodes.size());
    timeIndex_ = keyTimes_.length();  // this frame's time is appended after its keys
    if (gathering_ && (!std::isfinite(keyTimeValue_) ||
                       (timeIndex_ > 0 && !(keyTimes_[timeIndex_ - 1] < keyTime_))))
        handOverAll();

    for (std::size_t k = 0; k < plan_.nodes.size(); ++k) {
        KeyPlan::Node& node = plan_.nodes[k];
        const std::size_t first = node.firstChannel;
        const std::size_t last = first + node.channelCount;
        if (node.channelCount == 0 || last > plan_.channelsUsed) continue;
        double angles[3] = {0, 0, 0};
        for (std::size_t c = first; c < last; ++c) {
            const int attribute = plan_.channels[c].attribute;
            if (attribute < 0) continue;
            const double value = row[c];
            if (!std::isfinite(value) && nonFiniteValues_++ == 0) firstNonFiniteLine_ = line_;
            if (attribute < 3) {
                // Position: the file value scaled, plus the joint's own scaled offset.
                values_[c] = value * settings_.scale + node.offset[attribute];
            } else {
                const double radians = value * bvh::kPi / 180.0;
                values_[c] = radians;
                angles[attribute - 3] = radians;
            }
        }
        // A rotation converted as a whole is keyed only when all its angles are numbers: one
        // NaN or infinity would spread to every angle of the reordered rotation.
        const bool convertible =
            std::isfinite(angles[0]) && std::isfinite(angles[1]) && std::isfinite(angles[2]);
        if (node.posed) {
            keyPosedRotation(node, first, last, targetOrder);
        } else if (node.fullRotation && !convertible) {
            for (std::size_t c = first; c < last; ++c)
                if (plan_.channels[c].attribute >= 3) values_[c] = std::nan("");
        } else if (node.fullRotation) {
            MEulerRotation rotation(
                angles[0], angles[1], angles[2],
                static_cast<MEulerRotation::RotationOrder>(node.fileEulerOrder));
            if (rotation.order != targetOrder) rotation = rotation.reorder(targetOrder);
            std::array<double, 3>& previous = previous_[k];
            if (framesKeyed_ > 0)
                rotation.setToClosestSolution(
                    MEulerRotation(previous[0], previous[1], previous[2], targetOrder));
            previous = {rotation.x, rotation.y, rotation.z};
            for (std::size_t c = first; c < last; ++c) {
                const int attribute = plan_.channels[c].attribute;
                if (attribute >= 3) values_[c] = rotation[static_cast<unsigned>(attribute - 3)];
            }
            if (node.missingAxis >= 0) {
                // The axis that the file leaves out (0 there) takes its share of the rotation.
                keyCurve(node.curve[3 + node.missingAxis],
                         rotation[static_cast<unsigned>(node.missingAxis)]);
            }
        }
    }

    // A value that is no finite number gets no key (keyCurve): the curve keeps its keys
    // around it.
    for (std::size_t c = 0; c < plan_.channelsUsed; ++c)
        if (plan_.channels[c].curve >= 0) keyCurve(plan_.channels[c].curve, values_[c]);
    keyTimes_.append(keyTime_);

    if (settings_.pasteTimeRange == 3 && settings_.endTime < keyTimeValue_) endAtEndTime();

    advanceKeyTime();
    ++framesKeyed_;
}

void MotionKeyer::keyPosedRotation(KeyPlan::Node& node, std::size_t first, std::size_t last,
                                   MEulerRotation::RotationOrder order) {
    const std::size_t k = static_cast<std::size_t>(&node - plan_.nodes.data());
    // The file's rotation: the channel listed first is applied last.
    MMatrix file;
    for (std::size_t c = first; c < last; ++c) {
        const int attribute = plan_.channels[c].attribute;
        if (attribute < 3) continue;
        double angles[3] = {0, 0, 0};
        angles[attribute - 3] = values_[c];
        file = MEulerRotation(angles[0], angles[1], angles[2]).asMatrix() * file;
    }
    const MEulerRotation previous(previous_[k][0], previous_[k][1], previous_[k][2], order);
    const MEulerRotation rotate = rotateFor(plan_.poses[static_cast<std::size_t>(node.pose)], file,
                                            order, framesKeyed_ > 0 ? &previous : nullptr);
    // An angle that is no number spreads to the whole rotation: no keys for it this frame.
    if (!std::isfinite(rotate.x) || !std::isfinite(rotate.y) || !std::isfinite(rotate.z)) return;
    previous_[k] = {rotate.x, rotate.y, rotate.z};
    for (unsigned axis = 0; axis < 3; ++axis) keyCurve(node.curve[axis + 3], rotate[axis]);
}

void MotionKeyer::keyCurve(int curve, double value) {
    if (curve < 0) return;  // keys that go nowhere
    const auto index = static_cast<std::size_t>(curve);
    value /= plan_.curves[index].factor;  // undoes a unit conversion after the curve
    if (!std::isfinite(value)) return;
    CurveKeys* gathered = gathering_ ? gathered_[index].get() : nullptr;
    if (gathered != nullptr)
        gathered->set(timeIndex_, value, expected_);
    else
        plan_.curves[index].fn->addKey(keyTime_, value, MFnAnimCurve::kTangentGlobal,
                                    MFnAnimCurve::kTangentGlobal);
}

void MotionKeyer::finish(double frameTime) {
    if (frameTime > 0) frameTime_ = frameTime;
    handOverAll();
}

void MotionKeyer::handOverAll() {
    for (std::size_t k = 0; k < gathered_.size(); ++k) {
        if (!gathered_[k]) continue;
        gathered_[k]->handOver(*plan_.curves[k].fn, keyTimes_);
        gathered_[k].reset();
    }
    gathering_ = false;
}

void MotionKeyer::endAtEndTime() {
    // The value at endTime comes from the curve as keyed so far.
    handOverAll();
    const MTime frameKeyTime = keyTime_;
    keyTimeValue_ = settings_.endTime;
    keyTime_.setValue(settings_.endTime);
    for (KeyPlan::Curve& planned : plan_.curves) {
        MFnAnimCurve& curve = *planned.fn;
        const double value = curve.evaluate(keyTime_);
        curve.addKey(keyTime_, value, MFnAnimCurve::kTangentGlobal, MFnAnimCurve::kTangentGlobal);
        // Remove the key this frame set, found by its time: a curve that already held later
        // keys keeps them.
        unsigned int index = 0;
        if (!(frameKeyTime == keyTime_) && curve.find(frameKeyTime, index)) curve.remove(index);
    }
    stopped_ = true;
}

bool MotionKeyer::rekeyWholeSteps() {
    const double startTime = settings_.startTime;
    keyTimeValue_ = keyTimeValue_ - frameTime_ * settings_.frameRateNum - 0.05;
    const double span = std::ceil(keyTimeValue_ - startTime);
    const std::size_t curves = plan_.curves.size();
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
    // The same whole steps on every curve.
    MTimeArray times;
    times.setLength(count);
    keyTime_ = MTime(startTime, MTime::uiUnit());
    for (unsigned int i = 0; i < count; ++i) {
        times[i] = keyTime_;
        ++keyTime_;
    }
    MDoubleArray values;
    values.setLength(count);
    for (KeyPlan::Curve& planned : plan_.curves) {
        MFnAnimCurve& curve = *planned.fn;
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
