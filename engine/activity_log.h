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
    // The subject is cut before its first "[" and trimmed, so a list entry is logged
    // as its bare path.
    void LogIt(const std::string& subject, const std::string& message, bool alert);
    // An entry about a process. Its subject is the process's whole path: a "[" inside
    // the path is part of the name, not the start of the identifier. CR and LF in the
    // path are written as "\r" and "\n", so a file name cannot break or forge lines.
    void LogIt(const SnapshotEntry& process, const std::string& message, bool alert);

    const std::string& path() const { return path_; }

private:
    void writeEntry(const std::string& subject, const std::string& message, bool alert);

    std::string path_;
    Clock& clock_;
    WatchHost& host_;
};

} // namespace korvane
