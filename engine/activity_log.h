#pragma once

#include <string>

#include "engine/watch_host.h"
#include "platform/api/clock.h"

namespace korvane {

// The activity log "KVlog.txt": newest entry first, under a fixed header line.
class ActivityLog {
public:
    ActivityLog(std::string path, Clock& clock, WatchHost& host);

    // Writes one entry; throws FileError when the file cannot be read or written
    // (a missing log is never created here). An alert entry paints the Log button.
    void LogIt(const std::string& subject, const std::string& message, bool alert);

    const std::string& path() const { return path_; }

private:
    std::string path_;
    Clock& clock_;
    WatchHost& host_;
};

} // namespace korvane
