#include "export/MotionWriter.h"

#include <maya/MAnimControl.h>
#include <maya/MDGContext.h>
#include <maya/MDGContextGuard.h>
#include <maya/MEulerRotation.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MMatrix.h>

#include <cmath>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "bvh/NumberFormat.h"
#include "bvh/Vocabulary.h"
#include "export/KeyTimes.h"

namespace bvhexport {

namespace {

/// Reads one attribute at the sample times, in the units the file needs (radians,
/// centimetres). A curve's function set is attached once per export: attaching per sample
/// would cost one lookup per value written. Function sets cannot be copied, so readers are
/// kept where adding one moves none (a deque).
class SourceReader {
public:
    SourceReader(const AttributeSource& source, MTime::Unit ui) : source_(source), ui_(ui) {
        if (source.curve.isNull()) return;
        hasCurve_ = true;
        curve_.setObject(source.curve);
        keyCount_ = curve_.numKeys();
        nextTime_ = keyTime(0);
    }

    unsigned keyCount() const { return keyCount_; }
    MFnAnimCurve& curve() { return curve_; }

    /// The value at `time` (`at` in UI frames). With `walk`, the times asked for rise from
    /// one call to the next and the curve's keys are walked with an index: a key at that very
    /// time gives its own value, as it does in the host.
    double value(const MTime& time, double at, bool walk) {
        // In internal units, radians and centimetres, as the file needs them.
        if (source_.driven) return source_.plug.asDouble();
        if (!hasCurve_) return source_.value;
        if (walk) {
            // The time of the next key is read once, when the walk reaches that key.
            while (next_ < keyCount_ && nextTime_ < at) nextTime_ = keyTime(++next_);
            if (next_ < keyCount_ && nextTime_ == at) return curve_.value(next_);
        }
        return curve_.evaluate(time);
    }

private:
    double keyTime(unsigned key) const { return key < keyCount_ ? curve_.time(key).as(ui_) : 0.0; }

    const AttributeSource& source_;
    MTime::Unit ui_;
    bool hasCurve_ = false;
    MFnAnimCurve curve_;
    unsigned keyCount_ = 0;
    unsigned next_ = 0;    ///< first key not before the last time asked for
    double nextTime_ = 0;  ///< its time, in UI frames
};

/// The full rotations of the table's pose joints, sample by sample, each sample's angles the
/// ones closest to the previous sample's so that the written curves stay continuous.
class PoseSampler {
public:
    PoseSampler(const std::vector<PoseJoint>& poses, MTime::Unit ui)
        : poses_(poses), angles_(poses.size()) {
        for (const PoseJoint& pose : poses)
            for (const AttributeSource& rotate : pose.rotate) readers_.emplace_back(rotate, ui);
    }

    /// Evaluates every pose joint at `time` (in the sample's context): each rotate attribute
    /// and, where they change, the axis and the orient, composed.
    void sample(const MTime& time, double at, bool walk) {
        for (std::size_t p = 0; p < poses_.size(); ++p) {
            const PoseJoint& pose = poses_[p];
            double rotate[3];
            for (std::size_t axis = 0; axis < 3; ++axis)
                rotate[axis] = readers_[p * 3 + axis].value(time, at, walk);
            const MMatrix local =
                composeRotation(pose.frameDriven ? pose.frame.read() : pose.rotation,
                                MEulerRotation(rotate[0], rotate[1], rotate[2], pose.order));
            angles_[p] = nearestEuler(local, pose.order, sampled_ ? &angles_[p] : nullptr);
        }
        sampled_ = true;
    }

    /// The angle about axis 0..2 of pose joint `pose` at the last sample.
    double angle(int pose, int axis) const {
        return angles_[static_cast<std::size_t>(pose)][static_cast<unsigned>(axis)];
    }

private:
    const std::vector<PoseJoint>& poses_;
    std::deque<SourceReader> readers_;
    std::vector<MEulerRotation> angles_;
    bool sampled_ = false;
};

/// The times of the lines of key mode, in UI frames: the keys of the first curve with keys
/// (a scene keyed attribute by attribute), the keys of every curve that moves the joints (a
/// driven rig), or the frames of the playback range (a rig that no curve moves).
class KeyModeTimes {
public:
    KeyModeTimes(const ChannelTable& table, const std::vector<SourceReader*>& readers,
                 std::vector<std::string>& warnings, MTime::Unit ui)
        : ui_(ui) {
        if (!table.driven()) {
            // A curve without keys (the first channel's or any other) would otherwise leave
            // every other channel's keys out of the file.
            for (std::size_t c = 0; c < readers.size() && leading_ == nullptr; ++c)
                if (readers[c]->keyCount() > 0) {
                    leading_ = readers[c];
                    leadingChannel_ = c;
                }
            count_ = leading_ != nullptr ? leading_->keyCount() : 0;
            return;
        }
        DrivingCurves driving;
        for (const Channel& channel : table.channels) driving.addPlug(channel.source.plug);
        for (const PoseJoint& pose : table.poses) {
            for (const AttributeSource& rotate : pose.rotate) driving.addPlug(rotate.plug);
            for (const MPlug& plug : pose.frame.plugs()) driving.addPlug(plug);
        }
        times_ = keyTimesOf(driving.curves());
        count_ = times_.size();
        description_ = "the " + std::to_string(count_) +
                       " key times of the curves that move the exported joints";
        if (!times_.empty()) return;
        // Whole frames of the playback range, counted without listing them: the range may be
        // long beyond any file.
        playbackStart_ = MAnimControl::minTime().as(ui);
        const double frames = std::floor(MAnimControl::maxTime().as(ui) - playbackStart_) + 1;
        count_ = frames > 0 && frames < 1e18 ? static_cast<std::uint64_t>(frames) : 0;
        description_ = "the " + std::to_string(count_) + " frames of the playback range";
        warnings.push_back("no animation curve moves the exported joints: they are written at " +
                           description_ + " (" + bvh::formatNumber(playbackStart_) + " to " +
                           bvh::formatNumber(MAnimControl::maxTime().as(ui)) + ")");
    }

    std::uint64_t count() const { return count_; }
    /// For planMotion: empty for the first curve with keys, which it names itself.
    const std::string& description() const { return description_; }
    /// The channel whose own key `line` the line writes, or an index past the channels.
    std::size_t leadingChannel() const { return leadingChannel_; }

    /// The time of line `line` (a key number from 0), in UI frames.
    double at(int line) {
        const unsigned k = static_cast<unsigned>(line);
        if (leading_ != nullptr) return leading_->curve().time(k).as(ui_);
        return times_.empty() ? playbackStart_ + line : times_[k];
    }

private:
    MTime::Unit ui_;
    SourceReader* leading_ = nullptr;
    std::size_t leadingChannel_ = static_cast<std::size_t>(-1);
    std::vector<double> times_;
    double playbackStart_ = 0;
    std::uint64_t count_ = 0;
    std::string description_;
};

/// The warning for key mode when two lines' keys are not one frame apart, or nothing.
std::string gapWarning(double from, double to, double frameTime) {
    const double gap = to - from;
    if (std::fabs(gap - 1) <= 1e-9) return {};
    return "key mode writes one line per key, " + bvh::formatNumber(frameTime) +
           " s apart, but the keys at frames " + bvh::formatNumber(from) + " and " +
           bvh::formatNumber(to) + " lie " + bvh::formatNumber(gap) +
           " frames apart: the file plays them " + (gap > 1 ? "faster" : "slower") +
           " than the scene does (exportMode=2 writes every frame)";
}

}  // namespace

std::string writeMotion(bvh::OutputFile& out, const ChannelTable& table, ExportSettings& settings,
                        MTime& sampleTime, LongTask& task, std::vector<std::string>& warnings) {
    const MTime::Unit uiUnit = MTime::uiUnit();
    sampleTime.setUnit(uiUnit);
    sampleTime.setValue(settings.startFrame);
    if (table.channels.empty() || !table.moves()) return kNoCurveProblem;

    const std::size_t channelCount = table.channels.size();
    std::deque<SourceReader> readerStore;
    std::vector<SourceReader*> readers;
    for (const Channel& channel : table.channels)
        readers.push_back(&readerStore.emplace_back(channel.source, uiUnit));
    PoseSampler poses(table.poses, uiUnit);
    const bool keyMode = settings.exportMode == 1;
    std::vector<std::string> keyWarnings;
    std::optional<KeyModeTimes> keyTimes;
    if (keyMode) keyTimes.emplace(table, readers, keyWarnings, uiUnit);
    MotionPlan plan;
    std::string problem = planMotion(settings, keyMode ? keyTimes->count() : 0, uiUnit, plan,
                                     keyMode ? keyTimes->description() : std::string());
    if (!problem.empty()) return problem;
    warnings.insert(warnings.end(), keyWarnings.begin(), keyWarnings.end());
    settings.startFrame = plan.firstLine;
    settings.endFrame = plan.endLine;

    writeLine(out, bvh::kMotion);
    writeMotionHeader(out, plan.lineCount, plan.frameTime);

    const int channels = static_cast<int>(channelCount);
    std::vector<double> values(channelCount);
    const double scale = settings.scale;
    const bool driven = table.driven();
    const std::size_t leading = keyMode ? keyTimes->leadingChannel() : channelCount;
    std::string gap;
    double previous = 0;
    task.setTotal(static_cast<std::uint64_t>(plan.endLine - plan.firstLine));
    for (int line = plan.firstLine; line < plan.endLine; ++line) {
        if (task.stopRequested(static_cast<std::uint64_t>(line - plan.firstLine)))
            return kCancelledProblem;
        // Each sample from the first: adding the step up would drift off the keys.
        const double sample =
            plan.firstSample + static_cast<double>(line - plan.firstLine) * plan.step;
        sampleTime.setValue(sample);
        // Key mode: every channel at the time of this line's key, so that one line never
        // mixes the values of different times.
        const double at = keyMode ? keyTimes->at(line) : sample;
        if (keyMode && line > plan.firstLine && gap.empty())
            gap = gapWarning(previous, at, plan.frameTime);
        previous = at;
        const MTime time(at, uiUnit);
        // Driven attributes show their value at the sample's time in its context.
        std::optional<MDGContextGuard> context;
        if (driven) context.emplace(MDGContext(time));
        if (!table.poses.empty()) poses.sample(time, at, keyMode);
        for (std::size_t c = 0; c < channelCount; ++c) {
            const Channel& channel = table.channels[c];
            double value;
            if (channel.pose >= 0)
                value = poses.angle(channel.pose, channel.kind - 3);
            else if (c == leading)
                value = readers[c]->curve().value(static_cast<unsigned>(line));
            else
                value = readers[c]->value(time, at, keyMode);
            values[c] =
                channel.rotation ? value / bvh::kPi * 180 : (value - channel.offset) * scale;
        }
        writeFrameLine(out, values.data(), channels);
    }
    if (!gap.empty()) warnings.push_back(gap);
    return {};
}

}  // namespace bvhexport
