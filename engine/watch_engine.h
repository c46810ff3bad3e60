#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/activity_log.h"
#include "engine/digest_cache.h"
#include "engine/filter_list.h"
#include "engine/kill_list.h"
#include "engine/list_pane.h"
#include "engine/packages/package_trust.h"
#include "engine/process_killer.h"
#include "engine/process_snapshot.h"
#include "engine/safe_list_verifier.h"
#include "engine/scan_schedule.h"
#include "engine/watch_flags.h"
#include "engine/watch_host.h"
#include "platform/api/platform_services.h"

namespace korvane {

// The four list panes of the main window.
struct WatchPanes {
    ListPane& current;   // TextListBox1: the running processes
    ListPane& safe;      // TextListBox2
    ListPane& kill;      // CheckListBox3, marks are "Bypass"
    ListPane& neverKill; // TextListBox4
};

// Where the program lives: the executable and its folder (with trailing separator).
struct ProgramLocation {
    std::string executable;
    std::string folder;
};

// The watch engine: the snapshot, the watch timer's cycle and the passes it drives.
class WatchEngine {
public:
    WatchEngine(PlatformServices& platform, const ProgramLocation& location, WatchPanes panes, WatchHost& host,
                const WatchPreferences& preferences, QuestionableDialog& dialog);

    // One tick of the watch timer.
    void Timer1Timer();

    // The first snapshot of a run: the baseline the first tick compares with.
    void takeFirstSnapshot();

    // Takes the process events that arrived; true when they call for a cycle at once
    // (a program was started, or events were lost). Each tick takes them too.
    bool takeProcessEvents();

    ProcessSnapshot& snapshot() { return snapshot_; }
    KillListEnforcer& killList() { return killList_; }
    SafeListVerifier& verifier() { return verifier_; }
    ProcessKiller& killer() { return killer_; }
    ActivityLog& log() { return log_; }
    const FilterList& filterList() const { return filterList_; }
    WatchFlags& flags() { return flags_; }
    DigestCache& digests() { return digests_; }
    PackageTrust& packages() { return packages_; }

private:
    bool snapshotChanged() const;
    // A snapshot when one is due: without process events on every tick.
    void refreshWhenDue();

    PlatformServices& platform_;
    WatchPanes panes_;
    WatchHost& host_;
    const WatchPreferences& preferences_;
    QuestionableDialog& dialog_;
    WatchFlags flags_;
    FilterList filterList_;
    ProcessSnapshot snapshot_;
    // PrevStgLst: the snapshot as it was when the Current list was last rebuilt.
    std::vector<SnapshotEntry> PrevStgLst_;
    ActivityLog log_;
    DigestCache digests_;
    PackageTrust packages_;
    std::uint64_t packagesJudged_ = 0; // the generation of the package index last judged with
    ScanSchedule schedule_;
    ProcessKiller killer_;
    KillListEnforcer killList_;
    SafeListVerifier verifier_;
};

} // namespace korvane
