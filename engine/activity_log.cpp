#include "engine/activity_log.h"

#include <cstdio>
#include <string_view>
#include <utility>

#include "engine/file_rewrite.h"
#include "engine/text_lines.h"
#include "engine/text_rules.h"
#include "engine/whole_file.h"

namespace korvane {

namespace {

constexpr std::string_view kHeader = "[This file may be emptied anytime.]";

std::string TimestampLine(const LocalDateTime& time) {
    char text[64];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d  -  ", time.month, time.day, time.year, time.hour,
                  time.minute, time.second);
    return text;
}

// The path on one line of the log.
std::string OneLine(std::string_view path) {
    std::string line;
    line.reserve(path.size());
    for (const char c : path) {
        if (c == '\r') {
            line += "\\r";
        } else if (c == '\n') {
            line += "\\n";
        } else {
            line += c;
        }
    }
    return line;
}

} // namespace

ActivityLog::ActivityLog(std::string path, Clock& clock, WatchHost& host)
    : path_(std::move(path)), clock_(clock), host_(host) {}

void ActivityLog::LogIt(const std::string& subject, const std::string& message, bool alert) {
    Entry entry{TimestampLine(clock_.now()), OneLine(Trim(subject)) + "  " + message, alert};
    if (openPasses_ > 0) {
        waiting_.push_back(std::move(entry));
        return;
    }
    write({entry});
}

void ActivityLog::LogIt(const SnapshotEntry& process, const std::string& message, bool alert) {
    LogIt(process.path, message, alert);
}

void ActivityLog::endPass() {
    --openPasses_;
    if (!waiting_.empty()) {
        write(std::exchange(waiting_, {}));
    }
}

void ActivityLog::write(const std::vector<Entry>& entries) {
    const std::string old = ReadWholeFile(path_);
    std::vector<std::string_view> lines = SplitLines(old);
    // Only the first line is looked at: a header text further down is the user's.
    if (!lines.empty() && lines.front().find(kHeader) != std::string_view::npos) {
        lines.front() = kHeader;
    } else {
        lines.insert(lines.begin(), kHeader);
    }
    std::vector<std::string_view> added;
    added.reserve(2 * entries.size());
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        added.push_back(entry->timestamp);
        added.push_back(entry->subjectLine);
    }
    lines.insert(lines.begin() + 1, added.begin(), added.end());
    RewriteFile(path_, TerminateLines(lines));

    // Each alert entry paints, as it would written alone.
    for (const Entry& entry : entries) {
        if (entry.alert) {
            host_.paintLogAlert();
        }
    }
}

} // namespace korvane
