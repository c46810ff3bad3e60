#include "engine/questionable_decisions.h"

#include "engine/admission_digest.h"
#include "engine/decision_record.h"
#include "engine/list_cleanup.h"
#include "engine/path_rules.h"
#include "engine/safe_list_entry.h"
#include "engine/text_rules.h"

namespace korvane {

namespace {

const char kKilledAndListed[] = "Terminated by user, placed in Kill list.";
// The program is terminated all the same; only its path cannot be listed.
const char kKilledNotListed[] = "Terminated by user.  It can not be listed in Kill Processes list.";
const char kNotSafeListed[] = "This program locked it's exe file.  It can not be listed in Safe Processes list.";
const char kSafeListed[] = "Continued execution, placed in Safe Processes list.";

} // namespace

void QuestionableDecisions::KillCheckedLine(const SnapshotEntry& process) {
    killer_.FileKill(process);
    if (!ListablePath(process.path)) {
        RecordDecision(log_, process, kKilledNotListed, false);
        return;
    }
    RecordDecision(log_, process, kKilledAndListed, false);
    kill_.add(Trim(process.path));
}

void QuestionableDecisions::EndKillPass() {
    DeleteNeighbourDuplicates(kill_);
}

void QuestionableDecisions::AdmitCheckedLine(const SnapshotEntry& process) {
    const std::optional<std::string> digest =
        ListablePath(process.path) ? ProcessAdmissionDigest(process, reads_) : std::nullopt;
    if (!digest) {
        RecordDecision(log_, process, kNotSafeListed, false);
        return;
    }
    AdmitToSafeList(safe_, Trim(process.path), *digest);
    RecordDecision(log_, process, kSafeListed, false);
}

} // namespace korvane
