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

} // namespace

ActivityLog::ActivityLog(std::string path, Clock& clock, WatchHost& host)
    : path_(std::move(path)), clock_(clock), host_(host) {}

void ActivityLog::LogIt(const std::string& subject, const std::string& message, bool alert) {
    std::vector<std::string> old = SplitLines(ReadWholeFile(path_));
    // Only the first line is looked at: a header text further down is the user's.
    const bool oldHeader = !old.empty() && old.front().find(kHeader) != std::string::npos;

    std::vector<std::string> lines;
    lines.reserve(old.size() + 3);
    lines.emplace_back(kHeader);
    lines.push_back(TimestampLine(clock_.now()));
    lines.push_back(StripBrackets(subject) + "  " + message);
    lines.insert(lines.end(), std::make_move_iterator(old.begin() + (oldHeader ? 1 : 0)),
                 std::make_move_iterator(old.end()));
    RewriteFile(path_, TerminateLines(lines));

    if (alert) {
        host_.paintLogAlert();
    }
}

} // namespace korvane
