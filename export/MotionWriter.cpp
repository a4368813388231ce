#include "export/MotionWriter.h"

#include <maya/MFnAnimCurve.h>

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

private:
    std::size_t count_;
    std::unique_ptr<MFnAnimCurve[]> curves_;
    std::vector<unsigned> keyCounts_;
};

}  // namespace

std::string writeMotion(bvh::OutputFile& out, const ChannelTable& table, ExportSettings& settings,
                        MTime& sampleTime, LongTask& task) {
    const MTime::Unit uiUnit = MTime::uiUnit();
    sampleTime.setUnit(uiUnit);
    sampleTime.setValue(settings.startFrame);
    if (table.channels.empty()) return kNoCurveProblem;

    CurveSet curves(table);
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
        const unsigned key = static_cast<unsigned>(line);
        for (std::size_t c = 0; c < channelCount; ++c) {
            double value;
            if (!keyMode) {
                value = curves[c].evaluate(sampleTime);
            } else if (key < curves.keyCount(c)) {
                value = curves[c].value(key);
            } else {
                // A curve with fewer keys than the one that makes the lines: its value
                // where that curve has this key, never a key that it does not have.
                value = curves[c].evaluate(curves[keyed].time(key));
            }
            const Channel& channel = table.channels[c];
            values[c] =
                channel.rotation ? value / bvh::kPi * 180 : (value - channel.offset) * scale;
        }
        writeFrameLine(out, values.data(), channels);
        sample += plan.step;
    }
    return {};
}

}  // namespace bvhexport
