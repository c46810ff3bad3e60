#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/api/instance_lock.h"

namespace korvane {

// The shared system folder a lock may live in; tests put a temporary folder in its
// place.
struct LockFolderBases {
    std::string run = "/run";
};

// An exclusive flock on a file named by the title, in a folder that only its owner,
// this user, can write, so no other user can take or block the lock first:
// $XDG_RUNTIME_DIR, else /run/user/<uid>, else /run for root, else the user's state
// folder $XDG_STATE_HOME/korvane (default ~/.local/state/korvane), made with mode 0700
// when missing. Never a shared folder such as /tmp, where another user could make the
// name first. The descriptor stays open while this object lives; the kernel releases
// the lock when the process ends, however it ends.
class LinuxInstanceLock : public InstanceLock {
public:
    explicit LinuxInstanceLock(LockFolderBases bases = {});
    ~LinuxInstanceLock() override;
    LinuxInstanceLock(const LinuxInstanceLock&) = delete;
    LinuxInstanceLock& operator=(const LinuxInstanceLock&) = delete;

    // False also when no folder is safe to keep the lock in: a state folder that
    // someone else owns, or that others may write, is never used.
    bool acquire(const std::string& title) override;

    // The folder the lock files go to, made if it is the state folder; std::nullopt
    // when none of the candidates is safe.
    std::optional<std::string> lockFolder() const;

private:
    LockFolderBases bases_;
    std::map<std::string, int> held_; // title -> locked descriptor
};

} // namespace korvane
