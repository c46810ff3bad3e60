#include "platform/linux/linux_executable_access.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/linux/proc_files.h"

namespace korvane {

bool LinuxExecutableAccess::probe(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

std::string LinuxExecutableAccess::runningImage(const ProcessIdentity& id, const std::string& path) {
    // A process that ended, or a PID now held by another program, has no image to
    // read: fall back to the file at the path.
    if (linux_proc::StartTime(id.pid) != id.startTime) {
        return path;
    }
    return "/proc/" + std::to_string(id.pid) + "/exe";
}

} // namespace korvane
