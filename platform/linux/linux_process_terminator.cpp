#include "platform/linux/linux_process_terminator.h"

#include <array>
#include <csignal>
#include <utility>

#include <sys/epoll.h>
#include <unistd.h>

namespace korvane {

LinuxProcessTerminator::LinuxProcessTerminator(std::shared_ptr<linux_proc::ProcessHandles> handles)
    : handles_(std::move(handles)), ends_(::epoll_create1(EPOLL_CLOEXEC)) {}

LinuxProcessTerminator::~LinuxProcessTerminator() {
    for (const auto& [handle, id] : dying_) {
        ::close(handle);
    }
    if (ends_ >= 0) {
        ::close(ends_);
    }
}

bool LinuxProcessTerminator::terminate(const ProcessIdentity& id) {
    if (id.pid <= 0) {
        return false;
    }
    if (const auto sent = handles_->signal(id, SIGKILL)) {
        if (*sent) {
            watchEnd(handles_->duplicate(id), id);
        }
        return *sent;
    }
    linux_proc::ProcSource& source = handles_->source();
    const int pidfd = source.openHandle(id.pid);
    if (pidfd < 0) {
        return false;
    }
    // The pidfd pins the process it was opened for; if that process still has the
    // recorded start time now, the signal cannot reach a newcomer with the same PID.
    const auto stat = source.stat(id.pid);
    if (!stat || stat->startTime != id.startTime || !source.sendSignal(pidfd, SIGKILL)) {
        ::close(pidfd);
        return false;
    }
    watchEnd(pidfd, id);
    return true;
}

void LinuxProcessTerminator::watchEnd(int handle, const ProcessIdentity& id) {
    if (handle < 0) {
        return;
    }
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = handle;
    // Unwatched, the end is still learnt from the next reading of the process table.
    if (ends_ < 0 || ::epoll_ctl(ends_, EPOLL_CTL_ADD, handle, &event) != 0) {
        ::close(handle);
        return;
    }
    dying_.emplace(handle, id);
}

std::vector<ProcessIdentity> LinuxProcessTerminator::takeEnded() {
    std::vector<ProcessIdentity> ended;
    if (ends_ < 0) {
        return ended;
    }
    std::array<epoll_event, 64> events{};
    int count = 0;
    do {
        count = ::epoll_wait(ends_, events.data(), static_cast<int>(events.size()), 0);
        for (int i = 0; i < count; ++i) {
            const int handle = events[static_cast<std::size_t>(i)].data.fd;
            const auto found = dying_.find(handle);
            ::epoll_ctl(ends_, EPOLL_CTL_DEL, handle, nullptr);
            ::close(handle);
            if (found != dying_.end()) {
                ended.push_back(found->second);
                dying_.erase(found);
            }
        }
    } while (count == static_cast<int>(events.size()));
    return ended;
}

} // namespace korvane
