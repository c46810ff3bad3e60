#include "engine/kill_list.h"

#include <algorithm>

#include "engine/decision_record.h"
#include "engine/text_rules.h"

namespace korvane {

bool KillEntryMatches(std::string_view killEntry, std::string_view snapshotEntry) {
    return Occurs(killEntry, snapshotEntry);
}

void KillListEnforcer::enforce(const std::vector<SnapshotEntry>& entries) {
    const LogPass pass(log_);
    for (std::size_t k = 0; k < kill_.count(); ++k) {
        if (kill_.checked(k)) {
            continue;
        }
        const std::string killEntry = kill_.item(k);
        for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
            if (KillEntryMatches(killEntry, entry->text)) {
                RecordDecision(log_, *entry, "Terminated, found in Kill Processes list.", false);
                killer_.FileKill(*entry);
            }
        }
    }
}

void KillListEnforcer::CheckNewcomers(const std::vector<SnapshotEntry>& newcomers) {
    enforce(newcomers);
}

void KillListEnforcer::CheckKillProcessesList() {
    const std::vector<SnapshotEntry>& entries = snapshot_.StgLst();
    enforce(entries);
    if (!preferences_.uncheckBypassedKillsAtEoj()) {
        return;
    }
    // A bypassed program stays allowed while it runs and is enforced again once
    // it has ended.
    for (std::size_t k = 0; k < kill_.count(); ++k) {
        if (!kill_.checked(k)) {
            continue;
        }
        const std::string killEntry = kill_.item(k);
        const bool running = std::any_of(entries.begin(), entries.end(), [&](const SnapshotEntry& entry) {
            return KillEntryMatches(killEntry, entry.text);
        });
        if (!running) {
            kill_.setChecked(k, false);
        }
    }
}

} // namespace korvane
