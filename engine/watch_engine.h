#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/activity_log.h"
#include "engine/admission_digest.h"
#include "engine/digest_cache.h"
#include "engine/execution_refusals.h"
#include "engine/filter_list.h"
#include "engine/kill_list.h"
#include "engine/list_pane.h"
#include "engine/local_image_digests.h"
#include "engine/packages/package_trust.h"
#include "engine/process_killer.h"
#include "engine/process_snapshot.h"
#include "engine/program_location.h"
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

// The watch engine: the snapshot, the watch timer's cycle and the passes it drives.
class WatchEngine {
public:
    WatchEngine(PlatformServices& platform, const ProgramLocation& location, WatchPanes panes, WatchHost& host,
                const WatchPreferences& preferences, QuestionableDialog& dialog);

    // One tick of the watch timer.
    void Timer1Timer();

    // The first snapshot of a run: the baseline the first tick compares with.
    void takeFirstSnapshot();

    // What the process events taken call for.
    struct EventsTaken {
        bool cycle = false;       // a program was started, or events were lost
        std::vector<int> started; // the processes that started a program
    };
    // Takes the process events that arrived. Each tick takes them too.
    EventsTaken takeProcessEvents();
    // Ends at once the Kill-listed programs among those the processes at `pids` have
    // just started, without waiting for the cycle that reads the whole table. Only
    // while the watch is activated.
    void CheckNewcomers(const std::vector<int>& pids);
    // Takes the reports of processes told to end that have ended.
    void takeEnded();

    ProcessSnapshot& snapshot() { return snapshot_; }
    KillListEnforcer& killList() { return killList_; }
    SafeListVerifier& verifier() { return verifier_; }
    ProcessKiller& killer() { return killer_; }
    ActivityLog& log() { return log_; }
    const FilterList& filterList() const { return filterList_; }
    WatchFlags& flags() { return flags_; }
    DigestCache& digests() { return digests_; }
    // Nothing when the platform refuses no start: Kill-listed programs are then
    // only ended after they start.
    ExecutionRefusals* executionRefusals() { return refusals_ ? &*refusals_ : nullptr; }
    PackageTrust& packages() { return packages_; }
    // What admissions to the Safe list read with: running images where the passes read them.
    AdmissionReads admissionReads() { return {*platform_.executables, images()}; }

private:
    ImageDigests& images() { return platform_.imageDigests ? *platform_.imageDigests : localImages_; }
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
    LocalImageDigests localImages_;
    PackageTrust packages_;
    std::uint64_t packagesJudged_ = 0; // the generation of the package index last judged with
    ScanSchedule schedule_;
    ProcessKiller killer_;
    KillListEnforcer killList_;
    SafeListVerifier verifier_;
    std::optional<ExecutionRefusals> refusals_;
};

} // namespace korvane
