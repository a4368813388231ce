// The MOTION section: frame lines turned into keys.

#include <maya/MEulerRotation.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MMatrix.h>
#include <maya/MTime.h>

#include <cmath>

#include "bvh/RotationOrder.h"
#include "bvh/Text.h"
#include "bvh/Vocabulary.h"
#include "import/ImportJob.h"
#include "plugin/Messages.h"

namespace bvhimport {

void ImportJob::parseMotionLine(std::string_view line) {
    if (line.find(bvh::kFrames) != std::string_view::npos) return;  // the count is not used
    const std::size_t timePos = line.find(bvh::kTimeMarker);
    if (timePos != std::string_view::npos) {
        // The number is the last token after the marker.
        const std::string_view text = line.substr(timePos);
        bvh::splitBlanks(text, state_.tokens, 2);
        const std::string_view number =
            state_.tokens.size() >= 2 ? bvh::lastBlankToken(text) : std::string_view();
        const double seconds = state_.tokens.size() >= 2 ? bvh::parseDouble(number) : 0.0;
        if (seconds > 0 && std::isfinite(seconds)) {
            settings_.frameTime = seconds;
        } else {
            bvhio::reportWarning(bvhio::fileLine(path_, state_.lineNumber),
                                 bvhio::textOf("Frame Time \"", bvh::clippedForMessage(number),
                                               "\" is not a positive number of seconds; frames "
                                               "are keyed one frame apart"));
        }
        return;
    }
    if (line == bvh::kMotion) return;
    // Blank lines are not frames.
    if (bvh::isBlankLine(line)) return;

    bool keyed = true;
    if (settings_.importFrameRange == 2)
        keyed = currentFrame_ >= settings_.startFrame;
    else if (settings_.importFrameRange == 3)
        keyed = settings_.startFrame <= currentFrame_ && currentFrame_ <= settings_.endFrame;
    // Values beyond the channels are ignored, so they are not even split off.
    bvh::splitBlanks(line, state_.tokens, state_.channels.size());
    if (state_.tokens.size() < state_.channels.size()) {
        // Nothing is invented for missing values: the frame keeps its time slot but gets no
        // keys.
        bvhio::reportWarning(bvhio::fileLine(path_, state_.lineNumber),
                             bvhio::textOf("frame line has ", state_.tokens.size(), " values for ",
                                           state_.channels.size(), " channels; it is not keyed"));
        if (keyed) advanceKeyTime();
    } else if (keyed) {
        keyFrameLine();
    }
    ++currentFrame_;
}

void ImportJob::advanceKeyTime() {
    if (settings_.inputKeys == 1) {
        keyTimeValue_ += 1;
        ++keyTime_;
    } else {
        keyTimeValue_ += settings_.frameTime * settings_.frameRateNum;
        keyTime_.setValue(keyTimeValue_);
    }
}

void ImportJob::keyFrameLine() {
    const auto targetOrder =
        static_cast<MEulerRotation::RotationOrder>(bvh::orderIndexOrXYZ(settings_.rotationOrder));
    std::vector<double>& values = state_.values;
    values.resize(state_.channels.size());
    const unsigned int timeIndex = keyTimes_.length();
    if (state_.gatherKeys &&
        (!std::isfinite(keyTimeValue_) || (timeIndex > 0 && !(keyTimes_[timeIndex - 1] < keyTime_))))
        handOverCurveKeys();

    const std::size_t nodeCount = state_.nodes.size();
    for (std::size_t k = 0; k < nodeCount; ++k) {
        ImportReadState::Node& node = state_.nodes[k];
        if (node.channelCount == 0) continue;
        const int first = node.firstChannel;
        const int last = first + node.channelCount;
        double angles[3] = {0, 0, 0};
        for (int c = first; c < last; ++c) {
            const int attribute = state_.channels[static_cast<std::size_t>(c)].attribute;
            if (attribute < 0) continue;
            const double value = bvh::parseDouble(state_.tokens[static_cast<std::size_t>(c)]);
            if (attribute < 3) {
                // Position: the file value scaled, plus the joint's own scaled offset.
                values[static_cast<std::size_t>(c)] = value * settings_.scale + node.offset[attribute];
            } else {
                const double radians = value * bvh::kPi / 180.0;
                values[static_cast<std::size_t>(c)] = radians;
                angles[attribute - 3] = radians;
            }
        }
        if (node.posed) {
            keyPosedRotation(node, first, last, targetOrder, timeIndex);
        } else if (node.fullRotation) {
            MEulerRotation rotation(angles[0], angles[1], angles[2],
                                    static_cast<MEulerRotation::RotationOrder>(node.fileEulerOrder));
            if (rotation.order != targetOrder) rotation = rotation.reorder(targetOrder);
            if (framesKeyed_ > 0) {
                const MEulerRotation previous(node.previous[0], node.previous[1],
                                              node.previous[2], targetOrder);
                rotation.setToClosestSolution(previous);
            }
            node.previous[0] = rotation.x;
            node.previous[1] = rotation.y;
            node.previous[2] = rotation.z;
            for (int c = first; c < last; ++c) {
                const int attribute = state_.channels[static_cast<std::size_t>(c)].attribute;
                if (attribute >= 3) values[static_cast<std::size_t>(c)] = rotation[attribute - 3];
            }
        }
    }

    for (std::size_t c = 0; c < state_.channels.size(); ++c)
        if (state_.channels[c].curveFn) keyCurve(state_.channels[c].curve, timeIndex, values[c]);
    keyTimes_.append(keyTime_);

    if (settings_.pasteTimeRange == 3 && settings_.endTime < keyTimeValue_) endAtEndTime();

    advanceKeyTime();
    ++framesKeyed_;
}

void ImportJob::keyPosedRotation(ImportReadState::Node& node,
                                 int first, int last, MEulerRotation::RotationOrder order,
                                 unsigned int timeIndex) {
    // The file's rotation: the channel listed first is applied last.
    MMatrix file;
    for (int c = first; c < last; ++c) {
        const int attribute = state_.channels[static_cast<std::size_t>(c)].attribute;
        if (attribute < 3) continue;
        double angles[3] = {0, 0, 0};
        angles[attribute - 3] = state_.values[static_cast<std::size_t>(c)];
        file = MEulerRotation(angles[0], angles[1], angles[2]).asMatrix() * file;
    }
    const MEulerRotation previous(node.previous[0], node.previous[1], node.previous[2], order);
    const MEulerRotation rotate =
        rotateFor(node.rotation, file, order, framesKeyed_ > 0 ? &previous : nullptr);
    for (int axis = 0; axis < 3; ++axis) {
        node.previous[axis] = rotate[static_cast<unsigned>(axis)];
        keyCurve(node.curve[axis + 3], timeIndex, node.previous[axis]);
    }
}

void ImportJob::keyCurve(int curve, unsigned int timeIndex,
                         double value) {
    const auto index = static_cast<std::size_t>(curve);
    CurveKeys* gathered = state_.gatherKeys ? state_.curveKeys[index].get() : nullptr;
    if (gathered != nullptr)
        gathered->set(timeIndex, value);
    else
        state_.curves[index]->addKey(keyTime_, value, MFnAnimCurve::kTangentGlobal,
                                    MFnAnimCurve::kTangentGlobal);
}

void ImportJob::handOverCurveKeys() {
    for (std::size_t k = 0; k < state_.curveKeys.size(); ++k) {
        if (!state_.curveKeys[k]) continue;
        state_.curveKeys[k]->handOver(*state_.curves[k], keyTimes_);
        state_.curveKeys[k].reset();
    }
    state_.gatherKeys = false;
}

void ImportJob::endAtEndTime() {
    // The value at settings_.endTime comes from the curve as keyed so far.
    handOverCurveKeys();
    const MTime frameKeyTime = keyTime_;
    keyTimeValue_ = settings_.endTime;
    keyTime_.setValue(settings_.endTime);
    for (auto& curveFn : state_.curves) {
        MFnAnimCurve& curve = *curveFn;
        const double value = curve.evaluate(keyTime_);
        curve.addKey(keyTime_, value, MFnAnimCurve::kTangentGlobal, MFnAnimCurve::kTangentGlobal);
        // Remove the key this frame set, found by its time: a curve that already held later
        // keys keeps them.
        unsigned int index = 0;
        if (!(frameKeyTime == keyTime_) && curve.find(frameKeyTime, index)) curve.remove(index);
    }
    stopReading_ = true;
}

}  // namespace bvhimport
