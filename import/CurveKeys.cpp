#include "import/CurveKeys.h"

#include <maya/MDoubleArray.h>

void CurveKeys::handOver(MFnAnimCurve& curve, MTimeArray& keyTimes) {
    const unsigned int count = static_cast<unsigned int>(count_);
    const unsigned int keys = count - static_cast<unsigned int>(holes_);
    if (keys != 0 && curve.numKeys() != 0) {
        for (unsigned int i = 0; i < count; ++i)
            if (!std::isnan(block(i)))
                curve.addKey(keyTimes[firstTime_ + i], block(i), MFnAnimCurve::kTangentGlobal,
                             MFnAnimCurve::kTangentGlobal);
    } else if (keys != 0) {
        MDoubleArray values;
        values.setLength(keys);
        // The read's own list of times where this curve has a key at every one of them; a
        // curve bound after the first keyed frame (a later HIERARCHY section), or with times
        // left without a key, gets a list of its own.
        MTimeArray times;
        if (holes_ != 0 || firstTime_ != 0 || count != keyTimes.length()) times.setLength(keys);
        unsigned int k = 0;
        for (unsigned int i = 0; i < count; ++i) {
            const double value = block(i);
            if ((i + 1) % kBlock == 0) blocks_[i / kBlock].reset();
            if (std::isnan(value)) continue;
            values[k] = value;
            if (times.length() != 0) times[k] = keyTimes[firstTime_ + i];
            ++k;
        }
        blocks_.clear();
        MTimeArray& at = times.length() != 0 ? times : keyTimes;
        curve.addKeys(&at, &values, MFnAnimCurve::kTangentGlobal, MFnAnimCurve::kTangentGlobal,
                      false, nullptr);
    }
    blocks_.clear();
    count_ = holes_ = 0;
}
