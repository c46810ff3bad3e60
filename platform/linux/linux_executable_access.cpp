#include "platform/linux/linux_executable_access.h"

#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvane {

LinuxExecutableAccess::LinuxExecutableAccess(std::shared_ptr<linux_proc::ProcessHandles> handles)
    : handles_(std::move(handles)) {}

std::optional<FileStamp> LinuxExecutableAccess::probe(const std::string& path) {
    // Without O_NONBLOCK a FIFO would hold open() until a writer comes; only a
    // regular file has an end a digest can reach (a link to /dev/zero has none).
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    if (!regular) {
        return std::nullopt;
    }
    return StampOf(info);
}

std::optional<std::string> LinuxExecutableAccess::runningImage(const ProcessIdentity& id) {
    // The held pidfd answers at the cost of one poll. Without it: the link first, the
    // start time after it; if the PID was taken over in between, the start time
    // tells. A zombie has no link left to read.
    const std::optional<bool> held = handles_->running(id);
    linux_proc::ProcSource& source = handles_->source();
    const auto current = [&] {
        const auto stat = source.executablePath(id.pid) ? source.stat(id.pid) : std::nullopt;
        return stat && stat->startTime == id.startTime;
    };
    const bool running = held ? *held : current();
    if (!running) {
        return std::nullopt;
    }
    if (handles_->reachedThroughThread(id.pid)) {
        auto thread = source.runningThreadImage(id.pid);
        return thread ? std::optional<std::string>(std::move(thread->link)) : std::nullopt;
    }
    return "/proc/" + std::to_string(id.pid) + "/exe";
}

std::optional<std::string> LinuxExecutableAccess::runningPath(const ProcessIdentity& id) {
    // The link first, the identity after it: a newcomer that took the PID over in
    // between is told by its start time.
    linux_proc::ProcSource& source = handles_->source();
    std::optional<std::string> path = source.executablePath(id.pid);
    if (!path && handles_->reachedThroughThread(id.pid)) {
        if (auto thread = source.runningThreadImage(id.pid)) {
            path = std::move(thread->path);
        }
    }
    if (!path || !runningImage(id)) {
        return std::nullopt;
    }
    return path;
}

} // namespace korvane
