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
#include "import/BvhImport.h"
#include "plugin/Messages.h"

void BvhImport::parseMotionLine(std::string_view line, ImportReadState& state) {
    const bvh::MotionHeader header = bvh::readMotionHeader(line);
    if (header.hasFrames && state.declaredFrames < 0) {
        const double count = bvh::parseDouble(header.frames);
        if (count >= 0 && count <= 1e15 && count == std::floor(count)) {
            state.declaredFrames = static_cast<long long>(count);
            state.declaredFramesLine = state.lineNumber;
        }
    }
    if (header.hasFrameTime) {
        const double seconds = bvh::parseDouble(header.frameTime);
        if (seconds > 0 && std::isfinite(seconds)) {
            frameTime = seconds;
            frameTimeRead_ = true;
        } else {
            bvhio::reportWarning(bvhio::fileLine(path_, state.lineNumber),
                                 bvhio::textOf("Frame Time \"",
                                               bvh::clippedForMessage(header.frameTime),
                                               "\" is not a positive number of seconds; frames "
                                               "are keyed one frame apart"));
        }
        previousValues.setLength(static_cast<unsigned int>(state.channels.size()));
        return;
    }
    if (header.hasFrames) return;
    if (line == bvh::kMotion) return;
    // Blank lines are not frames.
    if (bvh::isBlankLine(line)) return;

    bool keyed = true;
    if (importFrameRange == 2)
        keyed = currentFrame >= startFrame;
    else if (importFrameRange == 3)
        keyed = startFrame <= currentFrame && currentFrame <= endFrame;
    // Values beyond the channels are ignored, so they are not even split off.
    bvh::splitBlanks(line, state.tokens, state.channels.size());
    if (state.tokens.size() < state.channels.size()) {
        // Nothing is invented for missing values: the frame keeps its time slot but gets no
        // keys.
        bvhio::reportWarning(bvhio::fileLine(path_, state.lineNumber),
                             bvhio::textOf("frame line has ", state.tokens.size(), " values for ",
                                           state.channels.size(), " channels; it is not keyed"));
        if (keyed) advanceKeyTime();
    } else if (keyed) {
        keyFrameLine(state);
    }
    ++currentFrame;
}

void BvhImport::advanceKeyTime() {
    if (inputKeys == 1) {
        keyTimeValue += 1;
        ++keyTime;
    } else {
        keyTimeValue += frameTime * frameRateNum;
        keyTime.setValue(keyTimeValue);
    }
}

void BvhImport::keyFrameLine(ImportReadState& state) {
    const auto targetOrder =
        static_cast<MEulerRotation::RotationOrder>(bvh::orderIndexOrXYZ(rotationOrder.asChar()));
    std::vector<double>& values = state.values;
    values.resize(state.channels.size());
    const unsigned int timeIndex = keyTimes.length();
    if (state.gatherKeys &&
        (!std::isfinite(keyTimeValue) || (timeIndex > 0 && !(keyTimes[timeIndex - 1] < keyTime))))
        handOverCurveKeys(state);

    const std::size_t nodeCount = state.nodes.size();
    for (std::size_t k = 0; k < nodeCount; ++k) {
        ImportReadState::Node& node = state.nodes[k];
        if (node.channelCount == 0) continue;
        const int first = node.firstChannel;
        const int last = first + node.channelCount;
        double angles[3] = {0, 0, 0};
        for (int c = first; c < last; ++c) {
            const int attribute = state.channels[static_cast<std::size_t>(c)].attribute;
            if (attribute < 0) continue;
            const double value = bvh::parseDouble(state.tokens[static_cast<std::size_t>(c)]);
            if (!std::isfinite(value) && state.nonFiniteValues++ == 0)
                state.firstNonFiniteLine = state.lineNumber;
            if (attribute < 3) {
                // Position: the file value scaled, plus the joint's own scaled offset.
                values[static_cast<std::size_t>(c)] = value * scale + node.offset[attribute];
            } else {
                const double radians = value * bvh::kPi / 180.0;
                values[static_cast<std::size_t>(c)] = radians;
                angles[attribute - 3] = radians;
            }
        }
        // A rotation converted as a whole is keyed only when all its angles are numbers: one
        // NaN or infinity would spread to every angle of the reordered rotation.
        const bool convertible = std::isfinite(angles[0]) && std::isfinite(angles[1]) &&
                                 std::isfinite(angles[2]);
        if (node.posed) {
            keyPosedRotation(state, node, first, last, targetOrder, timeIndex);
        } else if (node.fullRotation && !convertible) {
            for (int c = first; c < last; ++c) {
                if (state.channels[static_cast<std::size_t>(c)].attribute >= 3)
                    values[static_cast<std::size_t>(c)] = std::nan("");
            }
        } else if (node.fullRotation) {
            MEulerRotation rotation(angles[0], angles[1], angles[2],
                                    static_cast<MEulerRotation::RotationOrder>(node.fileEulerOrder));
            if (rotation.order != targetOrder) rotation = rotation.reorder(targetOrder);
            if (framesKeyed > 0) {
                const MEulerRotation previous(node.previous[0], node.previous[1],
                                              node.previous[2], targetOrder);
                rotation.setToClosestSolution(previous);
            }
            node.previous[0] = rotation.x;
            node.previous[1] = rotation.y;
            node.previous[2] = rotation.z;
            for (int c = first; c < last; ++c) {
                const int attribute = state.channels[static_cast<std::size_t>(c)].attribute;
                if (attribute >= 3) values[static_cast<std::size_t>(c)] = rotation[attribute - 3];
            }
            if (node.missingAxis >= 0) {
                // The axis that the file leaves out (0 there) takes its share of the rotation.
                keyCurve(state, node.curve[3 + node.missingAxis], timeIndex,
                         rotation[static_cast<unsigned>(node.missingAxis)]);
            }
        }
    }

    // A value that is no finite number gets no key (keyCurve): the curve keeps its keys
    // around it.
    for (std::size_t c = 0; c < state.channels.size(); ++c)
        if (state.channels[c].curveFn) keyCurve(state, state.channels[c].curve, timeIndex, values[c]);
    keyTimes.append(keyTime);

    if (pasteTimeRange == 3 && endTime < keyTimeValue) endAtEndTime(state);

    advanceKeyTime();
    ++framesKeyed;
}

void BvhImport::keyPosedRotation(ImportReadState& state, ImportReadState::Node& node,
                                 int first, int last, MEulerRotation::RotationOrder order,
                                 unsigned int timeIndex) {
    // The file's rotation: the channel listed first is applied last.
    MMatrix file;
    for (int c = first; c < last; ++c) {
        const int attribute = state.channels[static_cast<std::size_t>(c)].attribute;
        if (attribute < 3) continue;
        double angles[3] = {0, 0, 0};
        angles[attribute - 3] = state.values[static_cast<std::size_t>(c)];
        file = MEulerRotation(angles[0], angles[1], angles[2]).asMatrix() * file;
    }
    const MEulerRotation previous(node.previous[0], node.previous[1], node.previous[2], order);
    const MEulerRotation rotate =
        rotateFor(node.rotation, file, order, framesKeyed > 0 ? &previous : nullptr);
    // An angle that is no number spreads to the whole rotation: no keys for it this frame.
    if (!std::isfinite(rotate.x) || !std::isfinite(rotate.y) || !std::isfinite(rotate.z)) return;
    for (int axis = 0; axis < 3; ++axis) {
        node.previous[axis] = rotate[static_cast<unsigned>(axis)];
        keyCurve(state, node.curve[axis + 3], timeIndex, node.previous[axis]);
    }
}

void BvhImport::keyCurve(ImportReadState& state, int curve, unsigned int timeIndex,
                         double value) {
    if (!std::isfinite(value)) return;
    const auto index = static_cast<std::size_t>(curve);
    CurveKeys* gathered = state.gatherKeys ? state.curveKeys[index].get() : nullptr;
    if (gathered != nullptr)
        gathered->set(timeIndex, value);
    else
        state.curves[index]->addKey(keyTime, value, MFnAnimCurve::kTangentGlobal,
                                    MFnAnimCurve::kTangentGlobal);
}

void BvhImport::handOverCurveKeys(ImportReadState& state) {
    for (std::size_t k = 0; k < state.curveKeys.size(); ++k) {
        if (!state.curveKeys[k]) continue;
        state.curveKeys[k]->handOver(*state.curves[k], keyTimes);
        state.curveKeys[k].reset();
    }
    state.gatherKeys = false;
}

void BvhImport::endAtEndTime(ImportReadState& state) {
    // The value at endTime comes from the curve as keyed so far.
    handOverCurveKeys(state);
    const MTime frameKeyTime = keyTime;
    keyTimeValue = endTime;
    keyTime.setValue(endTime);
    for (auto& curveFn : state.curves) {
        MFnAnimCurve& curve = *curveFn;
        const double value = curve.evaluate(keyTime);
        curve.addKey(keyTime, value, MFnAnimCurve::kTangentGlobal, MFnAnimCurve::kTangentGlobal);
        // Remove the key this frame set, found by its time: a curve that already held later
        // keys keeps them.
        unsigned int index = 0;
        if (!(frameKeyTime == keyTime) && curve.find(frameKeyTime, index)) curve.remove(index);
    }
    stopReading = 1;
}
