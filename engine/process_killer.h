#pragma once

#include <string>

#include "engine/list_pane.h"
#include "engine/process_snapshot.h"
#include "engine/watch_host.h"
#include "platform/api/clock.h"
#include "platform/api/process_terminator.h"

namespace korvane {

// The one termination routine: every kill, by the Kill list, by preference or by
// the user, goes through FileKill.
class ProcessKiller {
public:
    ProcessKiller(ListPane& neverKill, ProcessTerminator& terminator, Clock& clock, WatchHost& host)
        : neverKill_(neverKill), terminator_(terminator), clock_(clock), host_(host) {}

    // Terminates the process the entry names, unless its path is on the Never Kill
    // list. The target is the identity recorded with the entry, never a number
    // read from the text, so a PID reused since the snapshot is not hit.
    void FileKill(const SnapshotEntry& entry);

private:
    ListPane& neverKill_;
    ProcessTerminator& terminator_;
    Clock& clock_;
    WatchHost& host_;
};

} // namespace korvane
