#pragma once

#include "engine/activity_log.h"
#include "engine/admission_digest.h"
#include "engine/list_pane.h"
#include "engine/process_killer.h"
#include "engine/process_snapshot.h"

namespace korvane {

// The user's decisions in the questionable-processes dialog, one checked line at a
// time. Each line stands for the snapshot entry it was made from: the decision hits
// that very process, never a PID read back out of the line's text. The dialog walks
// its checked lines from the last to the first and deletes each line once decided;
// a call that throws leaves its line, and those not yet handled, undecided.
class QuestionableDecisions {
public:
    QuestionableDecisions(ProcessKiller& killer, ActivityLog& log, AdmissionReads reads, ListPane& safe, ListPane& kill)
        : killer_(killer), log_(log), reads_(reads), safe_(safe), kill_(kill) {}

    // "KILL CHECKED IMMEDIATELY" for one line: terminates the process, logs it and
    // appends its path, unmarked, to the Kill list.
    void KillCheckedLine(const SnapshotEntry& process);
    // After the kill pass: the Kill list loses neighbouring duplicates (compared
    // exactly), so two lines of one executable leave one entry. Duplicates further
    // apart stay.
    void EndKillPass();
    // "Continue executing checked and list in Safe Processes" for one line: puts the
    // path on the Safe list with the digest of the image that process runs (of the
    // file at the path once it has ended) and logs it. The process is left running.
    // Throws FileError when the probed file cannot be read.
    void AdmitCheckedLine(const SnapshotEntry& process);

private:
    ProcessKiller& killer_;
    ActivityLog& log_;
    AdmissionReads reads_;
    ListPane& safe_;
    ListPane& kill_;
};

} // namespace korvane
