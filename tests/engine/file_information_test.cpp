#include "engine/file_information.h"

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "engine/date_time_text.h"
#include "tests/support/temp_folder.h"
#include "tests/support/version_fixture_files.h"

namespace korvane {
namespace {

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

void SetModified(const std::string& path, std::time_t time) {
    const timespec times[2] = {{time, 0}, {time, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// A copy of a fixture modified at 03/07/2008 14:05:09 local time.
std::string DatedFixture(const test::TempFolder& folder, const std::string& name) {
    const std::string path = folder.file(name + ".dll");
    std::filesystem::copy_file(test::VersionFixture(name, "x64"), path);
    SetModified(path, LocalTime(2008, 3, 7, 14, 5, 9));
    return path;
}

TEST(FileDateTime, LocalModificationTimeWithTheTimeLeftOutAtMidnight) {
    struct Case {
        int year, month, day, hour, minute, second;
        const char* text;
    };
    const std::vector<Case> cases = {
        {2008, 3, 7, 14, 5, 9, "03/07/2008 14:05:09"},     {2008, 3, 7, 0, 0, 0, "03/07/2008"},
        {1999, 12, 31, 23, 59, 59, "12/31/1999 23:59:59"}, {2024, 1, 2, 0, 0, 1, "01/02/2024 00:00:01"},
        {2024, 11, 30, 12, 0, 0, "11/30/2024 12:00:00"},
    };
    test::TempFolder folder;
    const std::string path = folder.file("dated.exe");
    test::WriteFileBytes(path, "x");
    for (const Case& check : cases) {
        SetModified(path, LocalTime(check.year, check.month, check.day, check.hour, check.minute, check.second));
        const LocalDateTime time = FileDateTime(path);
        EXPECT_EQ(DateTimeText(time),
                  DateTimeText({check.year, check.month, check.day, check.hour, check.minute, check.second}));
        EXPECT_EQ(FileDateTimeText(time), check.text);
    }
}

TEST(FileDateTime, AFileThatCannotBeReadHasTheZeroDateShownAsADateOnly) {
    const LocalDateTime time = FileDateTime("/nonexistent/korvane/file.exe");
    EXPECT_EQ(DateTimeText(time), "12/30/1899 00:00:00");
    EXPECT_EQ(FileDateTimeText(time), "12/30/1899");
}

TEST(FileInformation, PanelTextHasElevenLinesJoinedByCarriageReturns) {
    test::TempFolder folder;
    const std::string path = DatedFixture(folder, "unicode_neutral");
    const std::string expected = "Company name: Zeta Corp\r"
                                 "File description: Korvane test fixture\r"
                                 "File version: 9.0.1\r"
                                 "Internal name: zeta\r"
                                 "Legal copyright: \r"
                                 "Legal trademarks: \r"
                                 "Original file name: zeta.dll\r"
                                 "Product name: Zeta \xC3\x9Cnicode \xE2\x82\xAC \xF0\x9F\x98\x80\r"
                                 "Product version: 8.1\r"
                                 "Comments: \r"
                                 "File date/time: 03/07/2008 14:05:09";
    EXPECT_EQ(FileInformationText(path + "     [0123456789ABCDEF0123456789ABCDEF]"), expected);
}

TEST(FileInformation, MessageTextHasTheTenVersionLinesOnly) {
    test::TempFolder folder;
    const std::string path = DatedFixture(folder, "ansi_english");
    const std::string expected = "Company name: MICROSOFT Corporation and friends\r"
                                 "File description: Windows Shell Common Dll\r"
                                 "File version: 10.0.19041.1 (WinBuild.160101.0800)\r"
                                 "Internal name: \r"
                                 "Legal copyright: \r"
                                 "Legal trademarks: \r"
                                 "Original file name: \r"
                                 "Product name: \r"
                                 "Product version: \r"
                                 "Comments: x";
    EXPECT_EQ(FileInformationMessage(path + " [4711]"), expected);
}

TEST(FileInformation, NoTextWithoutVersionInformation) {
    test::TempFolder folder;
    test::WriteFileBytes(folder.file("plain.txt"), "plain text");
    for (const std::string& entry :
         {folder.file("missing.exe"), folder.file("plain.txt") + " [12]", test::VersionFixture("no_version", "x86")}) {
        EXPECT_EQ(FileInformationText(entry), std::nullopt) << entry;
        EXPECT_EQ(FileInformationMessage(entry), std::nullopt) << entry;
    }
}

} // namespace
} // namespace korvane
