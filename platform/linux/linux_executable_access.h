#pragma once

#include "platform/api/executable_access.h"

namespace korvane {

// Linux has no share modes: the probe is a read-only open that accepts regular
// files only. A running image is read through /proc/PID/exe, which stays the file
// the process was started from even after the path was replaced or deleted.
class LinuxExecutableAccess : public ExecutableAccess {
public:
    bool probe(const std::string& path) override;
    std::optional<std::string> runningImage(const ProcessIdentity& id) override;
};

} // namespace korvane
