#include "platform/linux/linux_process_terminator.h"

#include <csignal>

#include <sys/syscall.h>
#include <unistd.h>

#include "platform/linux/proc_files.h"

namespace korvane {

bool LinuxProcessTerminator::terminate(const ProcessIdentity& id) {
    if (id.pid <= 0) {
        return false;
    }
    // glibc 2.36 has no C++-usable wrappers for these calls.
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, id.pid, 0));
    if (pidfd < 0) {
        return false;
    }
    // The pidfd pins the process it was opened for; if that process still has the
    // recorded start time now, the signal cannot reach a newcomer with the same PID.
    bool reached = false;
    if (linux_proc::StartTime(id.pid) == id.startTime) {
        reached = ::syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0) == 0;
    }
    ::close(pidfd);
    return reached;
}

} // namespace korvane
