#pragma once

#include <memory>
#include <vector>

#include <sys/types.h>

#include "engine/digest_cache.h"
#include "engine/local_image_digests.h"
#include "platform/linux/linux_executable_access.h"
#include "platform/linux/linux_process_table.h"
#include "platform/linux/linux_process_terminator.h"
#include "platform/linux/process_handles.h"
#include "protocol/messages.h"

namespace korvane::guard {

// What the service does for the windows it serves: the process table through held
// pidfds, digests of running images through the digest cache, and kills by identity.
class GuardProcesses {
public:
    GuardProcesses();

    // The table in frames' worth of parts; one part marked unavailable when /proc
    // cannot be read.
    std::vector<protocol::ProcessList> list();
    // Never a descriptor, never content: the digest text of the image, or why not.
    protocol::ImageDigest digest(const protocol::Identity& id);
    // Refuses PID 1, the service itself, the window that asks (`asker`) and kernel
    // threads; everything else with exactly this identity is sent SIGKILL.
    protocol::KillOutcome kill(const protocol::Identity& id, pid_t asker);

private:
    std::shared_ptr<linux_proc::ProcessHandles> handles_;
    LinuxProcessTable table_;
    LinuxProcessTerminator terminator_;
    LinuxExecutableAccess executables_;
    DigestCache digestCache_;
    LocalImageDigests images_;
};

} // namespace korvane::guard
