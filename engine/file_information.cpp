#include "engine/file_information.h"

#include <array>
#include <ctime>
#include <utility>

#include <sys/stat.h>

#include "engine/date_time_text.h"
#include "engine/file_version.h"

namespace korvane {

namespace {

struct VersionLine {
    std::string_view label;
    std::string_view key;
};

constexpr std::array<VersionLine, 10> kVersionLines{{
    {"Company name: ", "companyname"},
    {"File description: ", "filedescription"},
    {"File version: ", "fileversion"},
    {"Internal name: ", "internalname"},
    {"Legal copyright: ", "legalcopyright"},
    {"Legal trademarks: ", "legaltrademarks"},
    {"Original file name: ", "originalfilename"},
    {"Product name: ", "productname"},
    {"Product version: ", "productversion"},
    {"Comments: ", "comments"},
}};

constexpr char kLineSeparator = '\r';

// The ten version lines of the file, each followed by a CR.
std::optional<std::string> VersionLines(const std::string& path) {
    const std::optional<FileVersionInfo> info = FileVersionInfo::Read(path);
    if (!info) {
        return std::nullopt;
    }
    std::string text;
    for (const VersionLine& line : kVersionLines) {
        text.append(line.label).append(info->Value(line.key)).push_back(kLineSeparator);
    }
    return text;
}

} // namespace

LocalDateTime FileDateTime(const std::string& path) {
    struct stat info {};
    std::tm local{};
    if (::stat(path.c_str(), &info) != 0 || ::localtime_r(&info.st_mtime, &local) == nullptr) {
        return kZeroDateTime;
    }
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

std::string FileDateTimeText(const LocalDateTime& time) {
    const bool midnight = time.hour == 0 && time.minute == 0 && time.second == 0;
    return midnight ? DateText(time) : DateTimeText(time);
}

std::optional<std::string> FileInformationText(std::string_view entry) {
    const std::string path = EntryFilePath(entry);
    std::optional<std::string> text = VersionLines(path);
    if (text) {
        text->append("File date/time: ").append(FileDateTimeText(FileDateTime(path)));
    }
    return text;
}

std::optional<std::string> FileInformationMessage(std::string_view entry) {
    std::optional<std::string> text = VersionLines(EntryFilePath(entry));
    if (text) {
        text->pop_back();
    }
    return text;
}

} // namespace korvane
