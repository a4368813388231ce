// The MOTION section: frame lines turned into keys.

#include <maya/MEulerRotation.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MMatrix.h>
#include <maya/MTime.h>

#include <cmath>

#include "bvh/MotionHeader.h"
#include "bvh/RotationOrder.h"
#include "bvh/Text.h"
#include "bvh/Vocabulary.h"
#include "import/ImportJob.h"
#include "plugin/Messages.h"

namespace bvhimport {

void ImportJob::parseMotionLine(std::string_view line) {
    const bvh::MotionHeader header = bvh::readMotionHeader(line);
    if (header.hasFrames && state_.declaredFrames < 0) {
        const double count = bvh::parseDouble(header.frames);
        if (count >= 0 && count <= 1e15 && count == std::floor(count)) {
            state_.declaredFrames = static_cast<long long>(count);
            state_.declaredFramesLine = state_.lineNumber;
        }
    }
    if (header.hasFrameTime) {
        const double seconds = bvh::parseDouble(header.frameTime);
        if (seconds > 0 && std::isfinite(seconds)) {
            settings_.frameTime = seconds;
        } else {
            bvhio::reportWarning(
                bvhio::fileLine(path_, state_.lineNumber),
                bvhio::textOf("Frame Time \"", bvh::clippedForMessage(header.frameTime),
                              "\" is not a positive number of seconds; frames "
                              "are keyed one frame apart"));
        }
        return;
    }
    if (header.hasFrames) return;
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
    if (state_.gatherKeys && (!std::isfinite(keyTimeValue_) ||
                              (timeIndex > 0 && !(keyTimes_[timeIndex - 1] < keyTime_))))
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
            if (!std::isfinite(value) && state_.nonFiniteValues++ == 0)
                state_.firstNonFiniteLine = state_.lineNumber;
            if (attribute < 3) {
                // Position: the file value scaled, plus the joint's own scaled offset.
                values[static_cast<std::size_t>(c)] =
                    value * settings_.scale + node.offset[attribute];
            } else {
                const double radians = value * bvh::kPi / 180.0;
                values[static_cast<std::size_t>(c)] = radians;
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
            for (int c = first; c < last; ++c) {
                if (state_.channels[static_cast<std::size_t>(c)].attribute >= 3)
                    values[static_cast<std::size_t>(c)] = std::nan("");
            }
        } else if (node.fullRotation) {
            MEulerRotation rotation(
                angles[0], angles[1], angles[2],
                static_cast<MEulerRotation::RotationOrder>(node.fileEulerOrder));
            if (rotation.order != targetOrder) rotation = rotation.reorder(targetOrder);
            if (framesKeyed_ > 0) {
                const MEulerRotation previous(node.previous[0], node.previous[1], node.previous[2],
                                              targetOrder);
                rotation.setToClosestSolution(previous);
            }
            node.previous[0] = rotation.x;
            node.previous[1] = rotation.y;
            node.previous[2] = rotation.z;
            for (int c = first; c < last; ++c) {
                const int attribute = state_.channels[static_cast<std::size_t>(c)].attribute;
                if (attribute >= 3) values[static_cast<std::size_t>(c)] = rotation[attribute - 3];
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
    for (std::size_t c = 0; c < state_.channels.size(); ++c)
        if (state_.channels[c].curve >= 0) keyCurve(state_.channels[c].curve, values[c]);
    keyTimes_.append(keyTime_);

    if (settings_.pasteTimeRange == 3 && settings_.endTime < keyTimeValue_) endAtEndTime();

    advanceKeyTime();
    ++framesKeyed_;
}

void ImportJob::keyPosedRotation(ImportReadState::Node& node, int first, int last,
                                 MEulerRotation::RotationOrder order) {
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
    // An angle that is no number spreads to the whole rotation: no keys for it this frame.
    if (!std::isfinite(rotate.x) || !std::isfinite(rotate.y) || !std::isfinite(rotate.z)) return;
    for (int axis = 0; axis < 3; ++axis) {
        node.previous[axis] = rotate[static_cast<unsigned>(axis)];
        keyCurve(node.curve[axis + 3], node.previous[axis]);
    }
}

void ImportJob::keyCurve(int curve, double value) {
    if (!std::isfinite(value)) return;
    const auto index = static_cast<std::size_t>(curve);
    CurveKeys* gathered = state_.gatherKeys ? state_.curveKeys[index].get() : nullptr;
    if (gathered != nullptr)
        gathered->set(keyTimes_.length(), value);  // this frame's time is appended after its keys
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
