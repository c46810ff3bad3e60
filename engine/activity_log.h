#pragma once

#include <string>
#include <vector>

#include "engine/watch_host.h"
#include "platform/api/clock.h"

namespace korvane {

class LogPass;

// The activity log "KVlog.txt": newest entry first, under a fixed header line.
class ActivityLog {
public:
    ActivityLog(std::string path, Clock& clock, WatchHost& host);

    // Writes one entry; throws FileError when the file cannot be read or written
    // (a missing log is never created here). An alert entry paints the Log button.
    // The subject is a path (a process's executable, a data file): it is logged whole,
    // trimmed, with CR and LF written as "\r" and "\n", so that no name, nor any folder
    // above it, can cut the subject short, break the line or plant a forged entry.
    // While a pass is open (LogPass), the entry waits for the pass's end instead.
    void LogIt(const std::string& subject, const std::string& message, bool alert);
    // An entry about a process, under the path of its executable.
    void LogIt(const SnapshotEntry& process, const std::string& message, bool alert);

    const std::string& path() const { return path_; }

private:
    friend class LogPass;

    struct Entry {
        std::string timestamp;
        std::string subjectLine;
        bool alert = false;
    };

    void beginPass() { ++openPasses_; }
    // Writes every entry that waits; throws FileError as LogIt.
    void endPass();
    // One rewrite of the log with `entries`, the last of them on top.
    void write(const std::vector<Entry>& entries);

    std::string path_;
    Clock& clock_;
    WatchHost& host_;
    int openPasses_ = 0;
    std::vector<Entry> waiting_;
};

} // namespace korvane
