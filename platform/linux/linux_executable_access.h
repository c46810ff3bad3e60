#pragma once

#include <memory>

#include "platform/api/executable_access.h"
#include "platform/linux/process_handles.h"

namespace korvane {

// Linux has no share modes: the probe is a read-only open that accepts regular
// files only. A running image is read through /proc/PID/exe, which stays the file
// the process was started from even after the path was replaced or deleted.
class LinuxExecutableAccess : public ExecutableAccess {
public:
    explicit LinuxExecutableAccess(
        std::shared_ptr<linux_proc::ProcessHandles> handles = std::make_shared<linux_proc::ProcessHandles>());
    std::optional<FileStamp> probe(const std::string& path) override;
    std::optional<std::string> runningImage(const ProcessIdentity& id) override;
    std::optional<std::string> runningPath(const ProcessIdentity& id) override;

private:
    std::shared_ptr<linux_proc::ProcessHandles> handles_;
};

} // namespace korvane
