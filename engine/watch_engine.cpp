#include "engine/watch_engine.h"

#include <unordered_set>
#include <utility>

#include "engine/list_cleanup.h"

namespace korvane {

WatchEngine::WatchEngine(PlatformServices& platform, const ProgramLocation& location, WatchPanes panes, WatchHost& host,
                         const WatchPreferences& preferences, QuestionableDialog& dialog)
    : platform_(platform), panes_(panes), host_(host), preferences_(preferences), dialog_(dialog),
      filterList_(location.executable), snapshot_(*platform.processes),
      log_(location.dataFolder + "system/KVlog.txt", *platform.clock, host),
      localImages_(*platform.executables, digests_), packages_(platform.packageRoot),
      killer_(panes.neverKill, *platform.terminator, snapshot_, host),
      killList_(panes.kill, snapshot_, killer_, log_, preferences),
      verifier_(location, filterList_, snapshot_, VerifiedLists{panes.safe, panes.kill, panes.neverKill},
                SafeListVerifier::Services{images(), *platform.executables, *platform.sound, killer_, log_, packages_},
                host, preferences, dialog, flags_) {
    if (platform.executionGuard) {
        refusals_.emplace(*platform.executionGuard, panes.kill, panes.neverKill, host, log_);
    }
}

void WatchEngine::takeFirstSnapshot() {
    takeProcessEvents();
    if (snapshot_.RefreshTaskListNT()) {
        schedule_.scanned();
    }
    PrevStgLst_ = snapshot_.StgLst();
    snapshot_.AddStgLstPeocessesToTextListBox1(panes_.current);
    flags_.ForceCheck = true;
}

WatchEngine::EventsTaken WatchEngine::takeProcessEvents() {
    ProcessEvents* events = platform_.processEvents.get();
    if (events == nullptr) {
        return {};
    }
    ProcessEventBatch batch = events->takeEvents();
    const bool cycle = schedule_.noteEvents(batch);
    return {cycle, std::move(batch.started)};
}

void WatchEngine::CheckNewcomers(const std::vector<int>& pids) {
    if (!host_.isActivated()) {
        return;
    }
    std::vector<SnapshotEntry> newcomers;
    // A process that started several programs in a row is looked at once, as it is now.
    std::unordered_set<int> seen;
    for (const int pid : pids) {
        if (!seen.insert(pid).second) {
            continue;
        }
        if (auto entry = snapshot_.newcomer(pid)) {
            newcomers.push_back(std::move(*entry));
        }
    }
    killList_.CheckNewcomers(newcomers);
}

void WatchEngine::takeEnded() {
    for (const ProcessIdentity& id : platform_.terminator->takeEnded()) {
        snapshot_.ended(id);
    }
}

void WatchEngine::refreshWhenDue() {
    takeProcessEvents();
    const ProcessEvents* events = platform_.processEvents.get();
    if (schedule_.scanDue(events != nullptr && events->subscribed()) && snapshot_.RefreshTaskListNT()) {
        schedule_.scanned();
    }
}

bool WatchEngine::snapshotChanged() const {
    // Identities count too: a PID reused by a new copy of the same program is a change.
    return snapshot_.StgLst() != PrevStgLst_;
}

void WatchEngine::Timer1Timer() {
    if (flags_.DialogUp) {
        dialog_.bringToFront();
    }
    refreshWhenDue();
    host_.setTrayIconActive(true);

    // Bypass marks last until the first minute of the next day.
    const LocalDateTime now = platform_.clock->now();
    if (now.hour == 0 && now.minute == 1) {
        for (std::size_t k = 0; k < panes_.kill.count(); ++k) {
            panes_.kill.setChecked(k, false);
        }
    }
    if (refusals_) {
        refusals_->tick();
    }

    if (preferences_.trustInstalledPackages()) {
        packages_.refresh();
        // Other records may now vouch for, or against, what runs.
        if (packages_.generation() != packagesJudged_) {
            packagesJudged_ = packages_.generation();
            flags_.ForceCheck = true;
        }
    }

    if (snapshotChanged() || flags_.ForceCheck) {
        if (host_.isActivated()) {
            killList_.CheckKillProcessesList();
            verifier_.CheckSafeProcessesList();
            // The stored password line must never stay among the Never Kill entries.
            DeletePasswordLines(panes_.neverKill);
        }
        PrevStgLst_ = snapshot_.StgLst();
        snapshot_.AddStgLstPeocessesToTextListBox1(panes_.current);
        flags_.ForceCheck = false;
    }

    if (platform_.priority->priorityLevel() != 1) {
        platform_.priority->raiseToHigh();
    }
}

} // namespace korvane
