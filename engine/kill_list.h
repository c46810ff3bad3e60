#pragma once

#include <string_view>

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

private:
    ListPane& kill_;
    const ProcessSnapshot& snapshot_;
    ProcessKiller& killer_;
    ActivityLog& log_;
    const WatchPreferences& preferences_;
};

} // namespace korvane
