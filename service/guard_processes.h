#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <sys/types.h>

#include "engine/digest_cache.h"
#include "engine/local_image_digests.h"
#include "platform/api/process_events.h"
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

    // How long a table kept current from process events is trusted before /proc is read
    // again, for what no event reports (a program file renamed under its running
    // process).
    static constexpr std::chrono::seconds kTableReuse{60};
    // The most processes one batch of events may name for the kept table to follow it.
    static constexpr std::size_t kMostFollowed = 64;

    // The table in frames' worth of parts; one part marked unavailable when /proc
    // cannot be read. While `followingEvents` (every event since the last reading has
    // been followed), the table kept current from them is answered; otherwise, and
    // once that table is kTableReuse old, /proc is read.
    std::vector<protocol::ProcessList> list(bool followingEvents);
    // Keeps the table current: the processes the kernel named are looked at again, so
    // that a change costs no reading of the whole of /proc. Lost events forget it.
    void follow(const ProcessEventBatch& batch);
    // The process now at `pid`: one entry, or none when nothing is listed there.
    protocol::ProcessList lookUp(int pid);
    // Never a descriptor, never content: the digest text of the image, or why not.
    protocol::ImageDigest digest(const protocol::Identity& id);
    // Refuses PID 1, the service itself, the window that asks (`asker`) and kernel
    // threads; everything else with exactly this identity is sent SIGKILL.
    protocol::KillOutcome kill(const protocol::Identity& id, pid_t asker);
    // Readable once a process told to end has ended: call letGoOfEnded() then.
    int endsDescriptor() const { return terminator_.endsDescriptor(); }
    // Closes the pidfds held for processes that have ended.
    void letGoOfEnded();

private:
    std::shared_ptr<linux_proc::ProcessHandles> handles_;
    LinuxProcessTable table_;
    LinuxProcessTerminator terminator_;
    LinuxExecutableAccess executables_;
    DigestCache digestCache_;
    LocalImageDigests images_;
    // PID -> entry, in /proc's order; nothing while no table is kept.
    std::optional<std::map<int, protocol::ProcessEntry>> kept_;
    std::chrono::steady_clock::time_point keptSince_;
};

} // namespace korvane::guard
