#include "engine/decision_record.h"

namespace korvane {

void RecordDecision(ActivityLog& log, const std::string& subject, const std::string& message, bool alert) noexcept {
    try {
        log.LogIt(subject, message, alert);
    } catch (const std::exception&) {
        // Nothing to report to: the log itself is what failed.
    }
}

} // namespace korvane
