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
                        MTime& sampleTime) {
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
    for (int line = plan.firstLine; line < plan.endLine; ++line) {
        sampleTime.setValue(sample);
        // Key mode: every channel at the time of this key of the curve that makes the lines,
        // so that one line never mixes the values of different times.
        const unsigned key = static_cast<unsigned>(line);
        const MTime keyTime = keyMode ? curves[keyed].time(key) : sampleTime;
        for (std::size_t c = 0; c < channelCount; ++c) {
            double value;
            unsigned index = 0;
            if (keyMode && c == keyed)
                value = curves[c].value(key);
            else if (keyMode && curves[c].find(keyTime, index))
                value = curves[c].value(index);
            else
                value = curves[c].evaluate(keyTime);
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
