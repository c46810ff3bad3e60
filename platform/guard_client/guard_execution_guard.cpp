#include "platform/guard_client/guard_execution_guard.h"

namespace korvane {

namespace {

ExecutionReport FromWire(protocol::ExecutionReported report) {
    const auto kind = [&] {
        switch (report.kind) {
        case protocol::ReportKind::Refused:
            return ExecutionReport::Kind::Refused;
        case protocol::ReportKind::NotGuarded:
            return ExecutionReport::Kind::NotGuarded;
        case protocol::ReportKind::GaveUp:
            break;
        }
        return ExecutionReport::Kind::GaveUp;
    }();
    return {kind, std::move(report.path), report.pid, std::move(report.reason)};
}

} // namespace

void GuardExecutionGuard::replace(std::shared_ptr<const ExecutionRule> rule) {
    rule_ = std::move(rule);
    push();
}

void GuardExecutionGuard::refreshMarks() {
    if (rule_ && connection_->connected() && pushedOn_ != connection_->openings()) {
        push();
    }
}

void GuardExecutionGuard::push() {
    protocol::KillSet set;
    if (rule_) {
        set = {rule_->generation(), rule_->entries(), rule_->neverKill()};
    }
    // A set too large for a frame refuses nothing before the start; the kill after
    // the start still ends its programs.
    if (!protocol::FitsInFrame(set)) {
        set.entries.clear();
        set.neverKill.clear();
    }
    if (connection_->post(set)) {
        pushedOn_ = connection_->openings();
    }
}

std::vector<ExecutionReport> GuardExecutionGuard::takeReports() {
    std::vector<ExecutionReport> reports;
    for (protocol::ExecutionReported& report : connection_->takeReports()) {
        gaveUp_ = gaveUp_ || report.kind == protocol::ReportKind::GaveUp;
        reports.push_back(FromWire(std::move(report)));
    }
    return reports;
}

} // namespace korvane
