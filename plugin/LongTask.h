#pragma once
// A long import or export as the host shows it: a progress bar, and Esc to stop.

#include <maya/MComputation.h>

#include <chrono>
#include <cstdint>

/// Runs for the lifetime of the object as the host's computation, with a progress bar over
/// `total` units of work (bytes read, lines written; 0 when not known yet: no progress shown). The
/// work reports how far it got with stopRequested(); the bar moves and the host is asked for an
/// interrupt when the work has advanced by a step of the total (at most kUpdates times for the
/// whole task, and at least every kLargestStep units), and besides at least every kLongestWait
/// of work, so that an interrupt is seen soon whatever the total and however slowly the work
/// advances (a file from a pipe, whose size is not known). That keeps the host calls per task
/// to a few hundred, plus ten a second.
class LongTask {
public:
    static constexpr int kUpdates = 256;
    static constexpr std::uint64_t kLargestStep = std::uint64_t{4} << 20;
    static constexpr std::chrono::milliseconds kLongestWait{100};

    explicit LongTask(std::uint64_t total = 0);
    ~LongTask();
    LongTask(const LongTask&) = delete;
    LongTask& operator=(const LongTask&) = delete;

    /// A new total, for work that learns its size after it began; counting starts again.
    void setTotal(std::uint64_t total);

    /// True when the user asked to stop: from the check at which the host first says so on.
    bool stopRequested(std::uint64_t done) {
        if (stopped_) return true;
        if (done < nextCheck_ && Clock::now() < nextTime_) return false;
        return check(done);
    }

private:
    using Clock = std::chrono::steady_clock;
    bool check(std::uint64_t done);

    MComputation computation_;
    std::uint64_t total_ = 0;
    std::uint64_t step_ = kLargestStep;
    std::uint64_t nextCheck_ = kLargestStep;
    Clock::time_point nextTime_ = Clock::now() + kLongestWait;
    int shown_ = 0;
    bool stopped_ = false;
};
