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

// The decisions of one pass, written with one rewrite of the log when the pass ends
// (the same lines, newest on top, as entry by entry): a storm of kills must not
// rewrite a large log once per kill. Passes may nest; each end writes what waits.
// A log that cannot be written loses the pass's entries, as RecordDecision does.
class LogPass {
public:
    explicit LogPass(ActivityLog& log) : log_(log) { log_.beginPass(); }
    ~LogPass();
    LogPass(const LogPass&) = delete;
    LogPass& operator=(const LogPass&) = delete;

private:
    ActivityLog& log_;
};

} // namespace korvane
