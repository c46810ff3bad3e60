#include "engine/decision_record.h"

namespace korvane {

namespace {

template <class Write> void Quietly(Write&& write) noexcept {
    try {
        write();
    } catch (const std::exception&) {
        // Nothing to report to: the log itself is what failed.
    }
}

} // namespace

void RecordDecision(ActivityLog& log, const std::string& subject, const std::string& message, bool alert) noexcept {
    Quietly([&] { log.LogIt(subject, message, alert); });
}

void RecordDecision(ActivityLog& log, const SnapshotEntry& process, const std::string& message, bool alert) noexcept {
    Quietly([&] { log.LogIt(process, message, alert); });
}

LogPass::~LogPass() {
    Quietly([this] { log_.endPass(); });
}

} // namespace korvane
