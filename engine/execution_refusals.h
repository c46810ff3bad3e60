#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "engine/activity_log.h"
#include "engine/kill_set.h"
#include "engine/list_pane.h"
#include "engine/watch_host.h"
#include "platform/api/execution_guard.h"

namespace korvane {

// Keeps the execution guard enforcing the window's Kill list: pushes the Kill set
// whole whenever the lists or the activation change, and logs what the guard
// reports. A refused start is logged as the kill of a Kill-listed program is.
class ExecutionRefusals {
public:
    ExecutionRefusals(ExecutionGuard& guard, ListPane& kill, ListPane& neverKill, const WatchHost& host,
                      ActivityLog& log)
        : guard_(guard), kill_(kill), neverKill_(neverKill), host_(host), log_(log) {}

    // Pushes a new Kill set when the Kill list, its marks, the Never Kill list or the
    // activation changed since the last push.
    void sync();
    // Each tick of the watch: sync, the marks follow the files, the reports are logged.
    void tick();
    // Logs every report the guard holds.
    void logReports();

    // The set in force, if one was pushed.
    const KillSet* current() const { return current_.get(); }

private:
    struct Seen {
        std::uint64_t kill = 0;
        std::uint64_t neverKill = 0;
        bool activated = false;
        bool operator==(const Seen&) const = default;
    };

    ExecutionGuard& guard_;
    ListPane& kill_;
    ListPane& neverKill_;
    const WatchHost& host_;
    ActivityLog& log_;
    std::optional<Seen> seen_;
    std::shared_ptr<const KillSet> current_;
};

} // namespace korvane
