#pragma once

#include <memory>

#include "platform/api/process_table.h"
#include "platform/linux/process_handles.h"

namespace korvane {

// Processes from /proc in ascending PID order. Processes whose executable link
// cannot be read (kernel threads, other users' processes without the right to
// look, processes that ended meanwhile) are left out, as are paths that are not
// absolute; but one of this user's own processes is listed as
// "[unreadable] NAME", so that it can be questioned and ended.
//
// A process's start time is read once, when its PID first appears; after that the
// pidfd held for it tells whether the PID still belongs to it. The terminator and
// the executable access share the handles, so they aim at the same processes.
class LinuxProcessTable : public ProcessTable {
public:
    explicit LinuxProcessTable(
        std::shared_ptr<linux_proc::ProcessHandles> handles = std::make_shared<linux_proc::ProcessHandles>());
    std::optional<std::vector<ProcessRecord>> enumerate() override;
    std::optional<ProcessRecord> lookup(int pid) override;

private:
    // The process at `pid`, identified through its held handle or a new one.
    std::optional<ProcessRecord> record(int pid);

    std::shared_ptr<linux_proc::ProcessHandles> handles_;
};

} // namespace korvane
