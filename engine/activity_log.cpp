#include "engine/activity_log.h"

#include <cstdio>
#include <string_view>
#include <utility>

#include "engine/file_byte_stream.h"
#include "engine/file_rewrite.h"
#include "engine/text_rules.h"

namespace korvane {

namespace {

constexpr std::string_view kHeader = "[This file may be emptied anytime.]";
constexpr std::string_view kLineEnd = "\r\n";

std::string ReadWholeFile(const std::string& path) {
    FileByteStream stream(path);
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(stream.size()));
    char buffer[65536];
    while (const std::size_t count = stream.read(buffer, sizeof buffer)) {
        bytes.append(buffer, count);
    }
    return bytes;
}

// Length of the line break at `at` (CR LF, lone CR or lone LF), 0 when there is none.
std::size_t LineBreakLength(std::string_view text, std::size_t at) {
    if (text[at] == '\n') {
        return 1;
    }
    if (text[at] == '\r') {
        return at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
    }
    return 0;
}

// The text with its first line removed when that line carries the header.
std::string_view WithoutHeader(std::string_view text) {
    const std::size_t end = text.find_first_of("\r\n");
    const std::string_view first = text.substr(0, end);
    if (first.find(kHeader) == std::string_view::npos) {
        return text;
    }
    return end == std::string_view::npos ? std::string_view{} : text.substr(end + LineBreakLength(text, end));
}

// Appends the lines of `text` with every line ended by CR LF, whichever break they had.
void AppendLines(std::string& out, std::string_view text) {
    std::size_t start = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t length = LineBreakLength(text, at);
        if (length == 0) {
            ++at;
            continue;
        }
        out.append(text.substr(start, at - start)).append(kLineEnd);
        at += length;
        start = at;
    }
    if (start < text.size()) {
        out.append(text.substr(start)).append(kLineEnd);
    }
}

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
    const std::string subjectLine = StripBrackets(subject) + "  " + message;
    const std::string old = ReadWholeFile(path_);
    const std::string timestamp = TimestampLine(clock_.now());

    std::string text;
    text.reserve(kHeader.size() + timestamp.size() + subjectLine.size() + old.size() + 16);
    text.append(kHeader).append(kLineEnd);
    text.append(timestamp).append(kLineEnd);
    text.append(subjectLine).append(kLineEnd);
    AppendLines(text, WithoutHeader(old));
    RewriteFile(path_, text);

    if (alert) {
        host_.paintLogAlert();
    }
}

} // namespace korvane
