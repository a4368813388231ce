#pragma once
// The keys of one curve gathered over a whole read, for one addKeys call.

#include <maya/MFnAnimCurve.h>
#include <maya/MTime.h>
#include <maya/MTimeArray.h>

#include <cmath>
#include <cstddef>
#include <memory>

/// Values for the read's key times from `firstTime` on (an index into the read's list of key
/// times), one per time, in memory that grows with the keys. Meant for a curve that had no
/// keys before the read: the host's treatment of existing keys within the new range under
/// addKeys is not documented.
class CurveKeys {
public:
    explicit CurveKeys(unsigned int firstTime) : firstTime_(firstTime) {}

    /// The value (a finite number) at key time `timeIndex`: the next key, or a new value
    /// for the last one (a channel that names the curve again within the same frame, the last
    /// value wins). Times skipped since the last one (values that were no number) get no key.
    /// `expected`: how many keys the curve is expected to get in all (the file's "Frames:"
    /// count, bounded by what the rest of the file can hold), room made for at the first
    /// key; 0 when not known.
    void set(unsigned int timeIndex, double value, std::size_t expected) {
        const std::size_t at = timeIndex - firstTime_;
        if (at == size_ && size_ < capacity_) {  // the next key, with room for it
            values_[size_++] = value;
            return;
        }
        setAt(at, value, expected);
    }

    /// Hands the keys to `curve`, at `keyTimes` from the first time on, and frees them. One
    /// addKeys call (global tangents, no change record) when the curve still has no keys;
    /// otherwise, when another channel binding keyed the curve first, one addKey per key,
    /// later keys replacing earlier ones as they would have frame by frame.
    void handOver(MFnAnimCurve& curve, MTimeArray& keyTimes);

private:
    void setAt(std::size_t at, double value, std::size_t expected);
    void release();

    unsigned int firstTime_;
    std::size_t holes_ = 0;  // times without a key among the values
    std::unique_ptr<double[]> values_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};
