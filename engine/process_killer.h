#pragma once

#include <string>

#include "engine/list_pane.h"
#include "engine/process_snapshot.h"
#include "engine/watch_host.h"
#include "platform/api/process_terminator.h"

namespace korvane {

// The one termination routine: every kill, by the Kill list, by preference or by
// the user, goes through FileKill.
class ProcessKiller {
public:
    ProcessKiller(ListPane& neverKill, ProcessTerminator& terminator, ProcessSnapshot& snapshot, WatchHost& host)
        : neverKill_(neverKill), terminator_(terminator), snapshot_(snapshot), host_(host) {}

    // Terminates the process the entry names, unless its path is on the Never Kill
    // list. The target is the identity recorded with the entry, never a number
    // read from the text, so a PID reused since the snapshot is not hit. Returns at
    // once: the process is out of the snapshot's view from then on.
    void FileKill(const SnapshotEntry& entry);

private:
    ListPane& neverKill_;
    ProcessTerminator& terminator_;
    ProcessSnapshot& snapshot_;
    WatchHost& host_;
};

} // namespace korvane
