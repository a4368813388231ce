// The count of host API calls by kind, and the host's long computations.

#include "Calls.h"

#include <maya/MComputation.h>
#include <standin/Standin.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

namespace standin {
namespace detail {

namespace {
CallKind* firstKind = nullptr;
}  // namespace

CallKind::CallKind(const char* kindName) : name(kindName), next(firstKind) { firstKind = this; }

}  // namespace detail

std::vector<HostCallCount> hostCalls() {
    std::vector<HostCallCount> calls;
    for (const detail::CallKind* kind = detail::firstKind; kind != nullptr; kind = kind->next)
        if (kind->count != 0) calls.push_back({kind->name, kind->count});
    std::sort(calls.begin(), calls.end(),
              [](const HostCallCount& a, const HostCallCount& b) { return a.kind < b.kind; });
    return calls;
}

std::uint64_t hostCallTotal() {
    std::uint64_t total = 0;
    for (const detail::CallKind* kind = detail::firstKind; kind != nullptr; kind = kind->next)
        total += kind->count;
    return total;
}

void resetHostCalls() {
    for (detail::CallKind* kind = detail::firstKind; kind != nullptr; kind = kind->next)
        kind->count = 0;
}

namespace {

// The host runs one computation at a time; an interrupt asked for while none runs waits for
// the next one that can be interrupted. Flags a signal handler touches are lock-free atomics.
std::atomic<bool> interruptWanted{false};
std::atomic<bool> computing{false};
bool interruptible = false;
bool interruptReported = false;  // the running computation has been told of the interrupt
bool progressBar = false;
long checksUntilInterrupt = -1;
ProgressObserver progressObserver;
ProgressState progressState;

void notify() {
    if (progressObserver) progressObserver(progressState);
}

}  // namespace

void requestInterrupt() { interruptWanted.store(true); }

void interruptAfterChecks(long checks) { checksUntilInterrupt = checks; }

bool computationActive() { return computing.load(); }

void setProgressObserver(ProgressObserver observer) { progressObserver = std::move(observer); }

}  // namespace standin

using standin::progressState;

OPENMAYA_MAJOR_NAMESPACE_OPEN

MComputation::MComputation() = default;

MComputation::~MComputation() {
    if (active_) endComputation();
}

void MComputation::beginComputation(bool showProgressBar, bool isInterruptable, bool) {
    STANDIN_CALL("MComputation::beginComputation");
    if (standin::computing.load()) return;  // one at a time: a nested one changes nothing
    active_ = true;
    standin::computing.store(true);
    standin::interruptible = isInterruptable;
    standin::interruptReported = false;
    standin::progressBar = showProgressBar;
    progressState = standin::ProgressState();
    progressState.showing = showProgressBar;
    if (showProgressBar) standin::notify();
}

bool MComputation::isInterruptRequested() {
    STANDIN_CALL("MComputation::isInterruptRequested");
    if (!active_ || !standin::interruptible) return false;
    if (standin::checksUntilInterrupt > 0 && --standin::checksUntilInterrupt == 0)
        standin::interruptWanted.store(true);
    const bool wanted = standin::interruptWanted.load();
    if (wanted) standin::interruptReported = true;
    return wanted;
}

void MComputation::endComputation() {
    STANDIN_CALL("MComputation::endComputation");
    if (!active_) return;
    active_ = false;
    const bool shown = standin::progressBar;
    standin::progressBar = false;
    standin::interruptible = false;
    if (standin::interruptReported) standin::interruptWanted.store(false);
    standin::interruptReported = false;
    standin::computing.store(false);
    progressState.showing = false;
    if (shown) standin::notify();
}

MStatus MComputation::setProgressRange(const int minValue, const int maxValue) {
    STANDIN_CALL("MComputation::setProgressRange");
    if (!active_ || !standin::progressBar || maxValue < minValue) return MS::kFailure;
    progressState.minimum = minValue;
    progressState.maximum = maxValue;
    progressState.value = std::clamp(progressState.value, minValue, maxValue);
    standin::notify();
    return MS::kSuccess;
}

int MComputation::progressMin(MStatus* ReturnStatus) const {
    if (ReturnStatus != nullptr) *ReturnStatus = active_ ? MS::kSuccess : MS::kFailure;
    return progressState.minimum;
}

int MComputation::progressMax(MStatus* ReturnStatus) const {
    if (ReturnStatus != nullptr) *ReturnStatus = active_ ? MS::kSuccess : MS::kFailure;
    return progressState.maximum;
}

MStatus MComputation::setProgress(const int amount) {
    STANDIN_CALL("MComputation::setProgress");
    if (!active_ || !standin::progressBar) return MS::kFailure;
    progressState.value = std::clamp(amount, progressState.minimum, progressState.maximum);
    ++progressState.updates;
    standin::notify();
    return MS::kSuccess;
}

int MComputation::progress(MStatus* ReturnStatus) const {
    if (ReturnStatus != nullptr) *ReturnStatus = active_ ? MS::kSuccess : MS::kFailure;
    return progressState.value;
}

MStatus MComputation::setProgressStatus(const MString& status) {
    STANDIN_CALL("MComputation::setProgressStatus");
    if (!active_ || !standin::progressBar) return MS::kFailure;
    progressState.status = status.asChar();
    standin::notify();
    return MS::kSuccess;
}

const char* MComputation::className() { return "MComputation"; }

OPENMAYA_NAMESPACE_CLOSE
