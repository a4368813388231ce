#include "export/MotionWriter.h"

#include <maya/MEulerRotation.h>
#include <maya/MFnAnimCurve.h>
#include <maya/MMatrix.h>

#include <memory>
#include <vector>

#include "bvh/Vocabulary.h"

namespace bvhexport {

namespace {

/// Function sets attached once per export: attaching per sample would cost one lookup per
/// value written.
class CurveSet {
public:
    explicit CurveSet(const ChannelTable& table)
        : count_(table.channels.size()), curves_(new MFnAnimCurve[count_]), keyCounts_(count_) {
        for (std::size_t c = 0; c < count_; ++c) {
            curves_[c].setObject(table.channels[c].curve);
            keyCounts_[c] = curves_[c].numKeys();
        }
    }
    MFnAnimCurve& operator[](std::size_t c) { return curves_[c]; }
    unsigned keyCount(std::size_t c) const { return keyCounts_[c]; }
    /// The curve whose keys make the lines of key mode: the first one that has keys. A
    /// curve without keys (the first channel's or any other) would otherwise leave every
    /// other channel's keys out of the file.
    std::size_t keyedCurve() const {
        for (std::size_t c = 0; c < count_; ++c)
            if (keyCounts_[c] > 0) return c;
        return 0;
    }

    /// True when some channel has a curve: without one there is no motion to write.
    bool any() const {
        for (std::size_t c = 0; c < count_; ++c)
            if (!curves_[c].object().isNull()) return true;
        return false;
    }

private:
    std::size_t count_;
    std::unique_ptr<MFnAnimCurve[]> curves_;
    std::vector<unsigned> keyCounts_;
};

/// The full rotations of the table's pose joints, sample by sample, each sample's angles the
/// ones closest to the previous sample's so that the written curves stay continuous.
class PoseSampler {
public:
    explicit PoseSampler(const std::vector<PoseJoint>& poses)
        : poses_(poses), curves_(new MFnAnimCurve[poses.size() * 3]), angles_(poses.size()) {
        for (std::size_t p = 0; p < poses.size(); ++p)
            for (std::size_t axis = 0; axis < 3; ++axis)
                if (!poses[p].curves[axis].isNull())
                    curves_[p * 3 + axis].setObject(poses[p].curves[axis]);
    }

    /// Evaluates every pose joint at `time`: each rotate attribute from its curve where one
    /// drives it, its static value otherwise, then composed with the axis and the orient.
    void sample(const MTime& time) {
        for (std::size_t p = 0; p < poses_.size(); ++p) {
            const PoseJoint& pose = poses_[p];
            double rotate[3];
            for (std::size_t axis = 0; axis < 3; ++axis)
                rotate[axis] = pose.curves[axis].isNull() ? pose.staticRotate[axis]
                                                          : curves_[p * 3 + axis].evaluate(time);
            const MMatrix local = composeRotation(
                pose.rotation, MEulerRotation(rotate[0], rotate[1], rotate[2], pose.order));
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
    std::unique_ptr<MFnAnimCurve[]> curves_;
    std::vector<MEulerRotation> angles_;
    bool sampled_ = false;
};

}  // namespace

std::string writeMotion(bvh::OutputFile& out, const ChannelTable& table, ExportSettings& settings,
                        MTime& sampleTime, LongTask& task) {
    const MTime::Unit uiUnit = MTime::uiUnit();
    sampleTime.setUnit(uiUnit);
    sampleTime.setValue(settings.startFrame);
    if (table.channels.empty()) return kNoCurveProblem;

    CurveSet curves(table);
    if (!curves.any()) return kNoCurveProblem;
    PoseSampler poses(table.poses);
    const std::size_t keyed = curves.keyedCurve();
    MotionPlan plan;
    std::string problem = planMotion(settings, curves.keyCount(keyed), uiUnit, plan);
    if (!problem.empty()) return problem;
    settings.startFrame = plan.firstLine;
    settings.endFrame = plan.endLine;

    writeLine(out, bvh::kMotion);
    writeMotionHeader(out, plan.lineCount, plan.frameTime);

    const std::size_t channelCount = table.channels.size();
    const int channels = static_cast<int>(channelCount);
    std::vector<double> values(channelCount);
    const double scale = settings.scale;
    const bool keyMode = settings.exportMode == 1;
    double sample = plan.firstSample;
    task.setTotal(static_cast<std::uint64_t>(plan.endLine - plan.firstLine));
    for (int line = plan.firstLine; line < plan.endLine; ++line) {
        if (task.stopRequested(static_cast<std::uint64_t>(line - plan.firstLine)))
            return kCancelledProblem;
        sampleTime.setValue(sample);
        // Key mode: every channel at the time of this key of the curve that makes the lines,
        // so that one line never mixes the values of different times.
        const unsigned key = static_cast<unsigned>(line);
        const MTime keyTime = keyMode ? curves[keyed].time(key) : sampleTime;
        if (!table.poses.empty()) poses.sample(keyTime);
        for (std::size_t c = 0; c < channelCount; ++c) {
            const Channel& channel = table.channels[c];
            double value;
            unsigned index = 0;
            if (channel.pose >= 0)
                value = poses.angle(channel.pose, channel.kind - 3);
            else if (keyMode && c == keyed)
                value = curves[c].value(key);
            else if (keyMode && curves[c].find(keyTime, index))
                value = curves[c].value(index);
            else
                value = curves[c].evaluate(keyTime);
            values[c] =
                channel.rotation ? value / bvh::kPi * 180 : (value - channel.offset) * scale;
        }
        writeFrameLine(out, values.data(), channels);
        sample += plan.step;
    }
    return {};
}

}  // namespace bvhexport
