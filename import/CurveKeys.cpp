#include "import/CurveKeys.h"

#include <maya/MDoubleArray.h>

#include <algorithm>

void CurveKeys::setAt(std::size_t at, double value, std::size_t expected) {
    if (at < size_) {
        values_[at] = value;
        return;
    }
    const std::size_t needed = at + 1;
    if (needed > capacity_) {
        // Room for the keys the file announces, then twice as much each time it runs out.
        const std::size_t capacity = std::max({needed, expected, 2 * capacity_, std::size_t{16}});
        std::unique_ptr<double[]> grown(new double[capacity]);
        std::copy(values_.get(), values_.get() + size_, grown.get());
        values_ = std::move(grown);
        capacity_ = capacity;
    }
    holes_ += at - size_;
    std::fill(values_.get() + size_, values_.get() + at, std::nan(""));  // times without a key
    values_[at] = value;
    size_ = needed;
}

void CurveKeys::release() {
    values_.reset();
    size_ = capacity_ = holes_ = 0;
}

void CurveKeys::handOver(MFnAnimCurve& curve, MTimeArray& keyTimes) {
    const unsigned int count = static_cast<unsigned int>(size_);
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
        const bool ownTimes = holes_ != 0 || firstTime_ != 0 || count != keyTimes.length();
        if (ownTimes) times.setLength(keys);
        unsigned int k = 0;
        for (unsigned int i = 0; i < count; ++i) {
            const double value = values_[i];
            if (std::isnan(value)) continue;
            values[k] = value;
            if (ownTimes) times[k] = keyTimes[firstTime_ + i];
            ++k;
        }
        release();
        MTimeArray& at = ownTimes ? times : keyTimes;
        curve.addKeys(&at, &values, MFnAnimCurve::kTangentGlobal, MFnAnimCurve::kTangentGlobal,
                      false, nullptr);
    }
    release();
}
