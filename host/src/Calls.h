// Counting of host API calls by kind: what a test or a benchmark asks of the host.
#pragma once

#include <cstdint>

namespace standin {
namespace detail {

/// One kind of call ("MFnAnimCurve::addKey"); each lives as a static in the function it counts
/// and links itself into the list that standin::hostCalls() reads.
struct CallKind {
    explicit CallKind(const char* kindName);
    const char* name;
    std::uint64_t count = 0;
    CallKind* next = nullptr;
};

/// Counts a call only when no other counted call is under way: what the plug-in asked, not
/// the calls the host makes of itself to answer it.
class CallScope {
public:
    explicit CallScope(CallKind& kind) {
        if (depth_++ == 0) ++kind.count;
    }
    ~CallScope() { --depth_; }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

private:
    static inline int depth_ = 0;
};

}  // namespace detail
}  // namespace standin

/// Counts one call of the function it stands at the top of, under `kind`.
#define STANDIN_CALL(kind)                                 \
    static ::standin::detail::CallKind standinCall_(kind); \
    const ::standin::detail::CallScope standinCallScope_(standinCall_)
