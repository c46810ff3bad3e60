#pragma once

#include <map>
#include <string>

#include "platform/api/instance_lock.h"

namespace korvane {

// An exclusive flock on a file named by the title, in $XDG_RUNTIME_DIR, or in /tmp
// per user when that is unset. The descriptor stays open while this object lives; the
// kernel releases the lock when the process ends, however it ends.
class LinuxInstanceLock : public InstanceLock {
public:
    LinuxInstanceLock() = default;
    ~LinuxInstanceLock() override;
    LinuxInstanceLock(const LinuxInstanceLock&) = delete;
    LinuxInstanceLock& operator=(const LinuxInstanceLock&) = delete;

    bool acquire(const std::string& title) override;

private:
    std::map<std::string, int> held_; // title -> locked descriptor
};

} // namespace korvane
