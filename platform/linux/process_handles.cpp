#include "platform/linux/process_handles.h"

#include <algorithm>
#include <array>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <unistd.h>

#include "platform/linux/descriptor_limit.h"

namespace korvane::linux_proc {

ProcessHandles::ProcessHandles(std::shared_ptr<ProcSource> source) : source_(std::move(source)) {}

ProcessHandles::~ProcessHandles() {
    for (const auto& [pid, held] : held_) {
        ::close(held.handle);
    }
    if (epoll_ >= 0) {
        ::close(epoll_);
    }
}

void ProcessHandles::forgetEnded() {
    if (epoll_ < 0) {
        return;
    }
    std::array<epoll_event, 64> events{};
    int count = 0;
    do {
        count = ::epoll_wait(epoll_, events.data(), static_cast<int>(events.size()), 0);
        for (int i = 0; i < count; ++i) {
            release(static_cast<int>(events[static_cast<std::size_t>(i)].data.u64));
        }
    } while (count == static_cast<int>(events.size()));
}

std::optional<ProcStat> ProcessHandles::held(int pid) const {
    const auto found = held_.find(pid);
    if (found == held_.end()) {
        return std::nullopt;
    }
    return found->second.stat;
}

int ProcessHandles::open(int pid) {
    if (!roomForAnother()) {
        return -1;
    }
    return source_->openHandle(pid);
}

bool ProcessHandles::ended(int handle) {
    pollfd ready{handle, POLLIN, 0};
    // An error on the handle says nothing good about the process either.
    return ::poll(&ready, 1, 0) != 0;
}

void ProcessHandles::hold(int pid, const ProcStat& stat, int handle) {
    if (epoll_ < 0) {
        epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
    }
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = static_cast<std::uint64_t>(pid);
    if (epoll_ < 0 || ::epoll_ctl(epoll_, EPOLL_CTL_ADD, handle, &event) != 0) {
        ::close(handle);
        return;
    }
    release(pid);
    held_.emplace(pid, Held{stat, handle});
}

void ProcessHandles::setReachedThroughThread(int pid) {
    if (const auto found = held_.find(pid); found != held_.end()) {
        found->second.throughThread = true;
    }
}

bool ProcessHandles::reachedThroughThread(int pid) const {
    const auto found = held_.find(pid);
    return found != held_.end() && found->second.throughThread;
}

void ProcessHandles::discard(int handle) {
    ::close(handle);
}

std::optional<bool> ProcessHandles::running(const ProcessIdentity& id) const {
    const auto found = held_.find(id.pid);
    if (found == held_.end()) {
        return std::nullopt;
    }
    const bool same = found->second.stat.startTime == id.startTime;
    if (!ended(found->second.handle)) {
        return same;
    }
    return same ? std::optional<bool>(false) : std::nullopt;
}

std::optional<bool> ProcessHandles::signal(const ProcessIdentity& id, int signal) {
    const auto found = held_.find(id.pid);
    if (found == held_.end()) {
        return std::nullopt;
    }
    if (found->second.stat.startTime == id.startTime) {
        // Fails by itself once the process has ended.
        return source_->sendSignal(found->second.handle, signal);
    }
    if (!ended(found->second.handle)) {
        return false;
    }
    return std::nullopt;
}

int ProcessHandles::duplicate(const ProcessIdentity& id) const {
    const auto found = held_.find(id.pid);
    if (found == held_.end() || found->second.stat.startTime != id.startTime) {
        return -1;
    }
    return ::fcntl(found->second.handle, F_DUPFD_CLOEXEC, 0);
}

bool ProcessHandles::roomForAnother() {
    // Asked every time: only new processes need a handle, and the limit may have
    // been changed behind our back.
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return false;
    }
    if (held_.size() + kReserve >= limit.rlim_cur && limit.rlim_cur < limit.rlim_max) {
        // Doubling keeps the number of raises small while processes keep coming.
        limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, std::max<rlim_t>(2 * limit.rlim_cur, 2 * kReserve));
        if (!RaiseSoftDescriptorLimit(limit.rlim_cur)) {
            return false;
        }
    }
    return held_.size() + kReserve < limit.rlim_cur;
}

void ProcessHandles::release(int pid) {
    const auto found = held_.find(pid);
    if (found == held_.end()) {
        return;
    }
    ::epoll_ctl(epoll_, EPOLL_CTL_DEL, found->second.handle, nullptr);
    ::close(found->second.handle);
    held_.erase(found);
}

} // namespace korvane::linux_proc
