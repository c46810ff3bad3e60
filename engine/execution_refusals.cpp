#include "engine/execution_refusals.h"

#include "engine/decision_record.h"

namespace korvane {

void ExecutionRefusals::sync() {
    const Seen now{kill_.revision(), neverKill_.revision(), host_.isActivated()};
    if (seen_ == now) {
        return;
    }
    seen_ = now;
    const std::uint64_t generation = current_ ? current_->generation() + 1 : 1;
    current_ = KillSet::FromPanes(generation, kill_, neverKill_, now.activated);
    guard_.replace(current_);
}

void ExecutionRefusals::tick() {
    sync();
    guard_.refreshMarks();
    logReports();
}

void ExecutionRefusals::logReports() {
    // A burst of refused starts is written with one rewrite of the log.
    const LogPass pass(log_);
    for (const ExecutionReport& report : guard_.takeReports()) {
        // Logged under the whole path: a "[" inside it is part of the name.
        const SnapshotEntry subject{report.path, report.path, {report.pid, 0}};
        switch (report.kind) {
        case ExecutionReport::Kind::Refused:
            RecordDecision(log_, subject, "Terminated, found in Kill Processes list.", false);
            break;
        case ExecutionReport::Kind::NotGuarded:
            RecordDecision(log_, subject, report.reason, false);
            break;
        case ExecutionReport::Kind::GaveUp:
            RecordDecision(log_, subject, report.reason, true);
            break;
        }
    }
}

} // namespace korvane
