#include "platform/linux/linux_executable_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/linux/proc_files.h"

namespace korvane {

bool LinuxExecutableAccess::probe(const std::string& path) {
    // Without O_NONBLOCK a FIFO would hold open() until a writer comes; only a
    // regular file has an end a digest can reach (a link to /dev/zero has none).
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return regular;
}

std::optional<std::string> LinuxExecutableAccess::runningImage(const ProcessIdentity& id) {
    // The link first, the start time after it: if the PID was taken over in
    // between, the start time tells. A zombie has no link left to read.
    if (!linux_proc::ExecutablePath(id.pid) || linux_proc::StartTime(id.pid) != id.startTime) {
        return std::nullopt;
    }
    return "/proc/" + std::to_string(id.pid) + "/exe";
}

} // namespace korvane
