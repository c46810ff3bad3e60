#include "platform/linux/proc_source.h"

#include <algorithm>
#include <cstdlib>

#include <dirent.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/linux/proc_files.h"

namespace korvane::linux_proc {

std::optional<std::vector<int>> KernelProcSource::processIds() {
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return std::nullopt;
    }
    std::vector<int> pids;
    while (const dirent* entry = ::readdir(proc)) {
        const char* name = entry->d_name;
        if (*name < '1' || *name > '9') {
            continue;
        }
        char* end = nullptr;
        const long pid = std::strtol(name, &end, 10);
        if (*end == '\0' && pid > 0) {
            pids.push_back(static_cast<int>(pid));
        }
    }
    ::closedir(proc);
    std::sort(pids.begin(), pids.end());
    return pids;
}

std::optional<ProcStat> KernelProcSource::stat(int pid) {
    return ReadStat(pid);
}

std::optional<std::string> KernelProcSource::executablePath(int pid) {
    return ExecutablePath(pid);
}

std::optional<ThreadImage> KernelProcSource::runningThreadImage(int pid) {
    return RunningThreadImage(pid);
}

std::optional<std::string> KernelProcSource::ownProcessName(int pid) {
    return OwnProcessName(pid);
}

// glibc 2.36 has no C++-usable wrappers for the pidfd calls. A pidfd is always
// close-on-exec, so no program started later holds one.
int KernelProcSource::openHandle(int pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

bool KernelProcSource::sendSignal(int handle, int signal) {
    return ::syscall(SYS_pidfd_send_signal, handle, signal, nullptr, 0) == 0;
}

} // namespace korvane::linux_proc
