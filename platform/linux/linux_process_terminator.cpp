#include "platform/linux/linux_process_terminator.h"

#include <csignal>
#include <utility>

#include <unistd.h>

namespace korvane {

LinuxProcessTerminator::LinuxProcessTerminator(std::shared_ptr<linux_proc::ProcessHandles> handles)
    : handles_(std::move(handles)) {}

bool LinuxProcessTerminator::terminate(const ProcessIdentity& id) {
    if (id.pid <= 0) {
        return false;
    }
    if (const auto sent = handles_->signal(id, SIGKILL)) {
        return *sent;
    }
    linux_proc::ProcSource& source = handles_->source();
    const int pidfd = source.openHandle(id.pid);
    if (pidfd < 0) {
        return false;
    }
    // The pidfd pins the process it was opened for; if that process still has the
    // recorded start time now, the signal cannot reach a newcomer with the same PID.
    bool reached = false;
    const auto stat = source.stat(id.pid);
    if (stat && stat->startTime == id.startTime) {
        reached = source.sendSignal(pidfd, SIGKILL);
    }
    ::close(pidfd);
    return reached;
}

} // namespace korvane
