#include "engine/decision_record.h"

namespace korvane {

namespace {

template <class Subject>
void LogQuietly(ActivityLog& log, const Subject& subject, const std::string& message, bool alert) noexcept {
    try {
        log.LogIt(subject, message, alert);
    } catch (const std::exception&) {
        // Nothing to report to: the log itself is what failed.
    }
}

} // namespace

void RecordDecision(ActivityLog& log, const std::string& subject, const std::string& message, bool alert) noexcept {
    LogQuietly(log, subject, message, alert);
}

void RecordDecision(ActivityLog& log, const SnapshotEntry& process, const std::string& message, bool alert) noexcept {
    LogQuietly(log, process, message, alert);
}

} // namespace korvane
