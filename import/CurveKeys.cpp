#include "import/CurveKeys.h"

#include <maya/MDoubleArray.h>

void CurveKeys::handOver(MFnAnimCurve& curve, MTimeArray& keyTimes) {
    const unsigned int count = static_cast<unsigned int>(values_.size());
    const unsigned int keys = count - static_cast<unsigned int>(holes_);
    if (keys != 0 && curve.numKeys() != 0) {
        for (unsigned int i = 0; i < count; ++i)
            if (!std::isnan(values_[i]))
                curve.addKey(keyTimes[firstTime_ + i], values_[i], MFnAnimCurve::kTangentGlobal,
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
            const double value = values_[i];
            if (std::isnan(value)) continue;
            values[k] = value;
            if (times.length() != 0) times[k] = keyTimes[firstTime_ + i];
            ++k;
        }
        std::vector<double>().swap(values_);
        MTimeArray& at = times.length() != 0 ? times : keyTimes;
        curve.addKeys(&at, &values, MFnAnimCurve::kTangentGlobal, MFnAnimCurve::kTangentGlobal,
                      false, nullptr);
    }
    std::vector<double>().swap(values_);
    holes_ = 0;
}
