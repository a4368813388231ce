#include "import/CurveKeys.h"

#include <maya/MDoubleArray.h>

void CurveKeys::handOver(MFnAnimCurve& curve, MTimeArray& keyTimes) {
    const unsigned int count = static_cast<unsigned int>(count_);
    if (count == 0) return;
    if (curve.numKeys() != 0) {
        for (unsigned int i = 0; i < count; ++i)
            curve.addKey(keyTimes[firstTime_ + i], block(i), MFnAnimCurve::kTangentGlobal,
                         MFnAnimCurve::kTangentGlobal);
        blocks_.clear();
        count_ = 0;
        return;
    }
    MDoubleArray values;
    values.setLength(count);
    for (unsigned int i = 0; i < count; ++i) {
        values[i] = block(i);
        if ((i + 1) % kBlock == 0) blocks_[i / kBlock].reset();
    }
    blocks_.clear();
    count_ = 0;
    if (firstTime_ == 0 && count == keyTimes.length()) {
        curve.addKeys(&keyTimes, &values, MFnAnimCurve::kTangentGlobal,
                      MFnAnimCurve::kTangentGlobal, false, nullptr);
        return;
    }
    // A curve bound after the first keyed frame (a later HIERARCHY section) starts later.
    MTimeArray times;
    times.setLength(count);
    for (unsigned int i = 0; i < count; ++i) times[i] = keyTimes[firstTime_ + i];
    curve.addKeys(&times, &values, MFnAnimCurve::kTangentGlobal, MFnAnimCurve::kTangentGlobal,
                  false, nullptr);
}
