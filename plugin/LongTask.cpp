#include "plugin/LongTask.h"

#include <algorithm>

LongTask::LongTask(std::uint64_t total) {
    computation_.beginComputation(true, true);
    computation_.setProgressRange(0, kUpdates);
    setTotal(total);
}

LongTask::~LongTask() { computation_.endComputation(); }

void LongTask::setTotal(std::uint64_t total) {
    total_ = total;
    step_ =
        total == 0 ? kLargestStep : std::clamp<std::uint64_t>(total / kUpdates, 1, kLargestStep);
    nextCheck_ = step_;
}

bool LongTask::check(std::uint64_t done) {
    nextCheck_ = done + step_;
    nextTime_ = Clock::now() + kLongestWait;
    if (total_ > 0) {
        const int shown =
            static_cast<int>(std::min<std::uint64_t>(done, total_) * kUpdates / total_);
        if (shown != shown_) {
            shown_ = shown;
            computation_.setProgress(shown);
        }
    }
    stopped_ = computation_.isInterruptRequested();
    return stopped_;
}
