#include "engine/activity_log.h"

#include <filesystem>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/file_error.h"
#include "tests/support/fake_platform.h"
#include "tests/support/fake_window.h"
#include "tests/support/restricted_user.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

const std::string kHeader = "[This file may be emptied anytime.]\r\n";
const std::string kStamp = "03/07/2008 14:05:09  -  \r\n";

class ActivityLogTest : public testing::Test {
protected:
    ActivityLogTest() { WriteFileBytes(path, ""); }

    test::TempFolder folder;
    std::string path = folder.file("KVlog.txt");
    test::FakeClock clock;
    test::FakeWatchHost host;
    ActivityLog log{path, clock, host};
};

TEST_F(ActivityLogTest, EmptyLogHoldsHeaderTimestampAndSubjectLine) {
    log.LogIt("/usr/bin/a [1000]", "Terminated, found in Kill Processes list.", false);
    EXPECT_EQ(ReadFileBytes(path), kHeader + kStamp + "/usr/bin/a  Terminated, found in Kill Processes list.\r\n");
}

TEST_F(ActivityLogTest, NewestEntryGoesDirectlyBelowTheOneHeader) {
    log.LogIt("/usr/bin/a", "first", false);
    clock.time = {2012, 11, 30, 3, 4, 5};
    log.LogIt("/usr/bin/b", "second", false);
    EXPECT_EQ(ReadFileBytes(path),
              kHeader + "11/30/2012 03:04:05  -  \r\n/usr/bin/b  second\r\n" + kStamp + "/usr/bin/a  first\r\n");
}

TEST_F(ActivityLogTest, SubjectsFollowTheBracketRule) {
    log.LogIt("/opt/tool     [0123456789ABCDEF0123456789ABCDEF]", "m1", false);
    log.LogIt("  /opt/spaced  ", "m2", false);
    log.LogIt("[4711] /opt/odd", "m3", false);
    EXPECT_EQ(ReadFileBytes(path),
              kHeader + kStamp + "  m3\r\n" + kStamp + "  /opt/spaced    m2\r\n" + kStamp + "/opt/tool  m1\r\n");
}

TEST_F(ActivityLogTest, OnlyAHeaderOnTheFirstLineIsReplaced) {
    // Any line break is read; every line is written back with CR LF.
    WriteFileBytes(path, "old [This file may be emptied anytime.] note\nolder\rkept [This file may be emptied "
                         "anytime.]\r\nlast");
    log.LogIt("/x", "new", false);
    EXPECT_EQ(ReadFileBytes(path),
              kHeader + kStamp + "/x  new\r\nolder\r\nkept [This file may be emptied anytime.]\r\nlast\r\n");
}

TEST_F(ActivityLogTest, EditedFirstLineStaysAsAnOrdinaryLine) {
    WriteFileBytes(path, "[This file may be emptied]\r\n\r\nentry\r\n");
    log.LogIt("/x", "new", false);
    EXPECT_EQ(ReadFileBytes(path), kHeader + kStamp + "/x  new\r\n[This file may be emptied]\r\n\r\nentry\r\n");
}

TEST_F(ActivityLogTest, AlertIsPaintedOnlyWhenAskedAndEveryTime) {
    log.LogIt("/x", "quiet", false);
    EXPECT_EQ(host.logAlerts, 0);
    log.LogIt("/x", "loud", true);
    log.LogIt("/x", "loud", true);
    EXPECT_EQ(host.logAlerts, 2);
}

TEST_F(ActivityLogTest, MissingLogIsNeverCreated) {
    std::filesystem::remove(path);
    try {
        log.LogIt("/x", "m", true);
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open file " + path);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(host.logAlerts, 0);
}

TEST_F(ActivityLogTest, ReadOnlyLogInWritableFolderIsLeftAlone) {
    WriteFileBytes(path, kHeader);
    ASSERT_EQ(::chown(folder.path().c_str(), test::AsRestrictedUser::uid(), -1), 0);
    ASSERT_EQ(::chown(path.c_str(), test::AsRestrictedUser::uid(), -1), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    {
        test::AsRestrictedUser restricted;
        try {
            log.LogIt("/x", "m", true);
            ADD_FAILURE() << "no error";
        } catch (const FileError& error) {
            EXPECT_EQ(std::string(error.what()), "Cannot create file " + path);
        }
    }
    EXPECT_EQ(ReadFileBytes(path), kHeader);
    EXPECT_EQ(host.logAlerts, 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

} // namespace
} // namespace korvane
