#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>

#include "platform/api/process_table.h"
#include "platform/linux/proc_source.h"

namespace korvane::linux_proc {

// The processes the table has identified, each with a pidfd held open. While the
// pidfd has not reported an end, the PID still belongs to the process it was opened
// for, so its start time need not be read again; and a signal sent through it can
// never reach a newcomer that took the PID over. All pidfds sit in one epoll set, so
// one call per snapshot finds every process that ended.
//
// Descriptors are finite: the soft limit is raised toward the hard one as needed, the
// handles never take the last kReserve descriptors from the rest of the program, and
// a process for which no handle is left is identified by its start time, read anew
// every time, as without handles.
class ProcessHandles {
public:
    static constexpr std::size_t kReserve = 256;

    explicit ProcessHandles(std::shared_ptr<ProcSource> source = std::make_shared<KernelProcSource>());
    ~ProcessHandles();
    ProcessHandles(const ProcessHandles&) = delete;
    ProcessHandles& operator=(const ProcessHandles&) = delete;

    ProcSource& source() { return *source_; }

    // Lets go of every process whose handle reported its end since the last call.
    void forgetEnded();
    // What was read about the process at `pid` when its handle was taken; nullopt
    // when none is held.
    std::optional<ProcStat> held(int pid) const;
    // A handle for the process now at `pid`, or -1 when none can be had without
    // cutting into the reserve. Not held yet: see hold().
    int open(int pid);
    // True once the process the handle stands for has ended.
    static bool ended(int handle);
    // Keeps the handle (opened by open()) for the process at `pid`, read as `stat`.
    void hold(int pid, const ProcStat& stat, int handle);
    // The held process at `pid` is reached through a thread still running: its first
    // thread has ended (see RunningThreadImage). False for what is not held.
    void setReachedThroughThread(int pid);
    bool reachedThroughThread(int pid) const;
    // Closes a handle that is not held.
    static void discard(int handle);

    // Whether the process with this identity runs, from its held handle; nullopt when
    // the held handle cannot tell (none held, or the one held has ended and stood for
    // another process).
    std::optional<bool> running(const ProcessIdentity& id) const;
    // Sends the signal through the held handle when that handle stands for exactly
    // this process: true when sent, false when the process has ended or the PID
    // belongs to another process now; nullopt when the held handle cannot tell.
    std::optional<bool> signal(const ProcessIdentity& id, int signal);
    // A new close-on-exec descriptor for the held handle of exactly this process, to
    // learn of its end apart from the set; -1 when none is held for it.
    int duplicate(const ProcessIdentity& id) const;

    std::size_t heldCount() const { return held_.size(); }

private:
    struct Held {
        ProcStat stat;
        int handle;
        bool throughThread = false;
    };

    // True when one more handle fits below the soft limit minus the reserve, after
    // raising the soft limit if it was in the way.
    bool roomForAnother();
    void release(int pid);

    std::shared_ptr<ProcSource> source_;
    std::unordered_map<int, Held> held_;
    int epoll_ = -1; // made with the first handle held
};

} // namespace korvane::linux_proc
