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
    writeEntry(StripBrackets(subject), message, alert);
}

void ActivityLog::LogIt(const SnapshotEntry& process, const std::string& message, bool alert) {
    writeEntry(OneLine(Trim(process.path)), message, alert);
}

void ActivityLog::writeEntry(const std::string& subject, const std::string& message, bool alert) {
    const std::string old = ReadWholeFile(path_);
    const std::string timestamp = TimestampLine(clock_.now());
    const std::string subjectLine = subject + "  " + message;
    std::vector<std::string_view> lines = SplitLines(old);
    // Only the first line is looked at: a header text further down is the user's.
    if (!lines.empty() && lines.front().find(kHeader) != std::string_view::npos) {
        lines.front() = kHeader;
    } else {
        lines.insert(lines.begin(), kHeader);
    }
    lines.insert(lines.begin() + 1, {timestamp, subjectLine});
    RewriteFile(path_, TerminateLines(lines));

    if (alert) {
        host_.paintLogAlert();
    }
}

} // namespace korvane
