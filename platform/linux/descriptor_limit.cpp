#include "platform/linux/descriptor_limit.h"

#include <algorithm>
#include <atomic>

namespace korvane::linux_proc {

namespace {

// RLIM_INFINITY until the first raise: an unlimited soft limit is never raised.
std::atomic<rlim_t> gStartingSoft{RLIM_INFINITY};

} // namespace

bool RaiseSoftDescriptorLimit(rlim_t soft) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return false;
    }
    const rlim_t before = limit.rlim_cur;
    limit.rlim_cur = std::min(soft, limit.rlim_max);
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return false;
    }
    rlim_t unset = RLIM_INFINITY;
    gStartingSoft.compare_exchange_strong(unset, before);
    return true;
}

void RestoreStartingDescriptorLimit() {
    const rlim_t starting = gStartingSoft.load();
    rlimit limit{};
    if (starting == RLIM_INFINITY || ::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return;
    }
    limit.rlim_cur = std::min(starting, limit.rlim_max);
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

} // namespace korvane::linux_proc
