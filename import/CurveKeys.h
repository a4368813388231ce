#pragma once
// The keys of one curve gathered over a whole read, for one addKeys call.

#include <maya/MFnAnimCurve.h>
#include <maya/MTime.h>
#include <maya/MTimeArray.h>

#include <cmath>
#include <cstddef>
#include <memory>
#include <vector>

/// Values for the read's key times from `firstTime` on (an index into the read's list of key
/// times), one per time, kept in blocks of their own so that growing never copies them nor
/// holds more than one block unused. Meant for a curve that had no keys before the read: the
/// host's treatment of existing keys within the new range under addKeys is not documented.
class CurveKeys {
public:
    explicit CurveKeys(unsigned int firstTime) : firstTime_(firstTime) {}

    /// The value (a finite number) at key time `timeIndex`: the next key, or a new value
    /// for the last one (a channel that names the curve again within the same frame, the last
    /// value wins). Times skipped since the last one (values that were no number) get no key.
    void set(unsigned int timeIndex, double value) {
        const std::size_t at = timeIndex - firstTime_;
        if (at < count_) {
            block(at) = value;
            return;
        }
        while (count_ < at) {
            append(std::nan(""));  // a time without a key
            ++holes_;
        }
        append(value);
    }

    /// Hands the keys to `curve`, at `keyTimes` from the first time on, and frees them, block
    /// by block as they are copied. One addKeys call (global tangents, no change record) when
    /// the curve still has no keys; otherwise, when another channel binding keyed the curve
    /// first, one addKey per key, later keys replacing earlier ones as they would have frame
    /// by frame.
    void handOver(MFnAnimCurve& curve, MTimeArray& keyTimes);

private:
    static constexpr std::size_t kBlock = 8192;
    double& block(std::size_t at) { return blocks_[at / kBlock][at % kBlock]; }
    void append(double value) {
        if (count_ % kBlock == 0) blocks_.push_back(std::make_unique<double[]>(kBlock));
        block(count_++) = value;
    }

    unsigned int firstTime_;
    std::size_t count_ = 0;
    std::size_t holes_ = 0;  // times without a key among the first count_
    std::vector<std::unique_ptr<double[]>> blocks_;
};
