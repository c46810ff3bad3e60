#pragma once

#include <string_view>
#include <vector>

#include "engine/activity_log.h"
#include "engine/list_pane.h"
#include "engine/process_killer.h"
#include "engine/process_snapshot.h"
#include "engine/watch_host.h"

namespace korvane {

// The match rule of the Kill list: the entry occurs in the snapshot entry's text,
// case significant. A full path matches that path only; a bare name matches it in
// any folder.
bool KillEntryMatches(std::string_view killEntry, std::string_view snapshotEntry);

// Enforces the Kill list ("CheckListBox3") against the current snapshot.
class KillListEnforcer {
public:
    KillListEnforcer(ListPane& kill, const ProcessSnapshot& snapshot, ProcessKiller& killer, ActivityLog& log,
                     const WatchPreferences& preferences)
        : kill_(kill), snapshot_(snapshot), killer_(killer), log_(log), preferences_(preferences) {}

    void CheckKillProcessesList();
    // The same enforcement for processes that have just started a program, before
    // the table is read again; the end-of-job rule waits for that reading.
    void CheckNewcomers(const std::vector<SnapshotEntry>& newcomers);

private:
    // Each unmarked Kill entry, in list order, against the entries from the last to
    // the first: every match is logged and terminated. One log rewrite for them all.
    void enforce(const std::vector<SnapshotEntry>& entries);

    ListPane& kill_;
    const ProcessSnapshot& snapshot_;
    ProcessKiller& killer_;
    ActivityLog& log_;
    const WatchPreferences& preferences_;
};

} // namespace korvane
