#pragma once
// The frames of a file turned into keys: key times, unit and rotation conversions, the Euler
// filter and the keys gathered per curve for one hand-over.

#include <maya/MEulerRotation.h>
#include <maya/MTime.h>
#include <maya/MTimeArray.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "import/CurveKeys.h"
#include "import/ImportSettings.h"
#include "import/KeyPlan.h"

namespace bvhimport {

/// Keys the frame rows of one read onto the curves of a plan. Owns everything that lasts from
/// one frame to the next; reads the settings and the plan, which the read may extend between
/// frames (a later HIERARCHY section), and tells its warnings through `warn`.
class MotionKeyer {
public:
    MotionKeyer(const ImportSettings& settings, KeyPlan& plan, std::string path);

    /// Takes in the curves the plan gained since the last call.
    void addCurves();
    /// How many keys a curve is expected to get: room for them is made at its first key
    /// (memory grows with the keys beyond that).
    void expectFrames(std::uint64_t frames) { expected_ = static_cast<std::size_t>(frames); }

    /// One frame line of the file (values in file units, one per channel at most) read at line
    /// `line`; `frameTime` is the file's seconds per frame so far (0: none given).
    void keyRow(const std::vector<double>& row, std::size_t line, double frameTime);

    /// Hands every gathered key to the host. Call once the frames are done (or stopped), with
    /// the file's last seconds per frame (0: none given).
    void finish(double frameTime);

    /// Re-keys every curve at whole steps from the start time to the last key. False, with a
    /// message, when that would be too many keys.
    bool rekeyWholeSteps();

    int currentFrame() const { return currentFrame_; }  ///< number of the next frame line
    int framesKeyed() const { return framesKeyed_; }
    bool stopped() const { return stopped_; }  ///< keying reached endTime
    double keyTimeValue() const { return keyTimeValue_; }
    double frameTime() const { return frameTime_; }  ///< the seconds per frame the keys used
    std::size_t nonFiniteValues() const { return nonFiniteValues_; }
    std::size_t firstNonFiniteLine() const { return firstNonFiniteLine_; }

private:
    void keyFrame(const std::vector<double>& row);
    void keyPosedRotation(KeyPlan::Node& node, std::size_t first, std::size_t last,
                          MEulerRotation::RotationOrder order);
    /// Keys curve number `curve` at the current key time with the value its attribute is to
    /// show: gathered while its keys are handed over per curve, added to the host's curve
    /// otherwise; a value that is no finite number,
    /// or an attribute whose keys go nowhere (`curve` -1), gets no key.
    void keyCurve(int curve, double value);
    void handOverAll();
    void endAtEndTime();
    void advanceKeyTime();

    const ImportSettings& settings_;
    KeyPlan& plan_;
    std::string path_;
    std::vector<std::unique_ptr<CurveKeys>> gathered_;  ///< per curve; null: keyed key by key
    /// Whether keys are still gathered: until a key time does not follow the one before (a
    /// time that is not finite, or steps too small to tell apart); what the host does with
    /// repeated or unordered times within one addKeys call is not documented, so from then on
    /// every key is handed over on its own.
    bool gathering_ = false;
    std::vector<double> values_;  ///< one frame's converted values, per channel
    /// The previous keyed frame's rotation of each node, for the Euler filter.
    std::vector<std::array<double, 3>> previous_;
    std::size_t expected_ = 0;
    double frameTime_ = 0;
    double keyTimeValue_ = 0;
    MTime keyTime_;
    MTimeArray keyTimes_;  ///< the key time of every keyed frame, in order
    unsigned int timeIndex_ = 0;  ///< index in keyTimes_ of the frame being keyed
    int currentFrame_ = 1;
    int framesKeyed_ = 0;
    bool stopped_ = false;
    std::size_t nonFiniteValues_ = 0;
    std::size_t firstNonFiniteLine_ = 0;
    std::size_t line_ = 0;
};

}  // namespace bvhimport
