#pragma once

#include <string>

#include "engine/activity_log.h"

namespace korvane {

// Logs a decision of the guard. A log that cannot be written must not stop the
// guard from acting: deleting or locking the log file would otherwise switch off
// every termination. The failed entry is dropped; the action goes on.
void RecordDecision(ActivityLog& log, const std::string& subject, const std::string& message, bool alert) noexcept;
// The same for a decision about a process, logged under its whole path.
void RecordDecision(ActivityLog& log, const SnapshotEntry& process, const std::string& message, bool alert) noexcept;

} // namespace korvane
