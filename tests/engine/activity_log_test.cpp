#include "engine/activity_log.h"

#include <csignal>
#include <filesystem>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/decision_record.h"
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
    ActivityLogTest() {
        WriteFileBytes(path, "");
        // Under root the restricted user is "nobody": it owns what it may write.
        EXPECT_EQ(::chown(folder.path().c_str(), test::AsRestrictedUser::uid(), -1), 0);
        EXPECT_EQ(::chown(path.c_str(), test::AsRestrictedUser::uid(), -1), 0);
    }
    ~ActivityLogTest() override { ::chmod(folder.path().c_str(), 0700); }

    // Logs as the restricted user; returns the error text, empty when none.
    std::string TryLog(bool alert = false) {
        test::AsRestrictedUser restricted;
        try {
            log.LogIt("/x", "m", alert);
        } catch (const FileError& error) {
            return error.what();
        }
        return {};
    }
    std::size_t FolderEntries() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder.path()), {}));
    }

    test::TempFolder folder;
    std::string path = folder.file("KVlog.txt");
    test::FakeClock clock;
    test::FakeWatchHost host;
    ActivityLog log{path, clock, host};
};

TEST_F(ActivityLogTest, EmptyLogHoldsExactlyHeaderTimestampAndSubjectLine) {
    log.LogIt(SnapshotEntry{"/usr/bin/a [1000]", "/usr/bin/a", {1000, 1}}, "Terminated, found in Kill Processes list.",
              false);
    EXPECT_EQ(ReadFileBytes(path), kHeader + kStamp + "/usr/bin/a  Terminated, found in Kill Processes list.\r\n");
}

TEST_F(ActivityLogTest, NewestFirstUnderOneHeaderWithWholePathSubjects) {
    // A "[" in a folder's or file's name is part of the path, not the end of the subject.
    log.LogIt("/opt/tool [x]/system/Kill.lst", "m1", false);
    log.LogIt("  /opt/spaced  ", "m2", false);
    clock.time = {2012, 11, 30, 3, 4, 5};
    log.LogIt("[4711] /opt/odd", "m3", false);
    EXPECT_EQ(ReadFileBytes(path), kHeader + "11/30/2012 03:04:05  -  \r\n[4711] /opt/odd  m3\r\n" + kStamp +
                                       "/opt/spaced  m2\r\n" + kStamp + "/opt/tool [x]/system/Kill.lst  m1\r\n");
}

TEST_F(ActivityLogTest, APassWritesOnceWhatSingleEntriesWouldWrite) {
    const auto logThree = [this] {
        clock.time = {2012, 11, 30, 3, 4, 5};
        log.LogIt("/a", "first", false);
        clock.time = {2012, 11, 30, 3, 4, 6};
        log.LogIt(SnapshotEntry{"/b\n [7]", "/b\n", {7, 1}}, "second", true);
        clock.time = {2012, 11, 30, 3, 4, 7};
        log.LogIt("/c", "third", false);
    };
    WriteFileBytes(path, kHeader + "old\r\n");
    logThree();
    const std::string single = ReadFileBytes(path);
    EXPECT_EQ(host.logAlerts, 1);

    WriteFileBytes(path, kHeader + "old\r\n");
    {
        const LogPass pass(log);
        logThree();
        EXPECT_EQ(ReadFileBytes(path), kHeader + "old\r\n"); // nothing before the pass ends
        EXPECT_EQ(host.logAlerts, 1);
    }
    EXPECT_EQ(ReadFileBytes(path), single);
    EXPECT_EQ(host.logAlerts, 2);

    // Nested passes: each end writes what waits; nothing is written twice.
    WriteFileBytes(path, "");
    {
        const LogPass outer(log);
        log.LogIt("/outer", "m", false);
        {
            const LogPass inner(log);
            log.LogIt("/inner", "m", false);
        }
        EXPECT_EQ(ReadFileBytes(path),
                  kHeader + "11/30/2012 03:04:07  -  \r\n/inner  m\r\n" + "11/30/2012 03:04:07  -  \r\n/outer  m\r\n");
        log.LogIt("/last", "m", false);
    }
    EXPECT_EQ(ReadFileBytes(path).find("/inner"), ReadFileBytes(path).rfind("/inner"));
    EXPECT_EQ(ReadFileBytes(path).find("/last  m"), kHeader.size() + kStamp.size());
}

TEST_F(ActivityLogTest, APassThatCannotWriteDropsItsEntriesQuietly) {
    std::filesystem::remove(path);
    {
        const LogPass pass(log);
        log.LogIt("/x", "m", true); // waits: nothing to throw yet
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(host.logAlerts, 0);
    // The next pass starts afresh.
    WriteFileBytes(path, "");
    {
        const LogPass pass(log);
        log.LogIt("/y", "m", false);
    }
    EXPECT_EQ(ReadFileBytes(path), kHeader + kStamp + "/y  m\r\n");
}

TEST_F(ActivityLogTest, ProcessIsLoggedUnderItsWholePathOnOneLine) {
    // The bracket rule would cut this subject to "/opt/k".
    log.LogIt(SnapshotEntry{"/opt/k[y]/evil [12]", "/opt/k[y]/evil", {12, 1}}, "m1", false);
    // A line break in a file name cannot start a forged entry.
    const std::string forged = "/tmp/a\r\n03/07/2008 14:05:09  -  \r\n/usr/bin/b";
    log.LogIt(SnapshotEntry{forged + " [13]", forged, {13, 1}}, "m2", false);
    EXPECT_EQ(ReadFileBytes(path), kHeader + kStamp + "/tmp/a\\r\\n03/07/2008 14:05:09  -  \\r\\n/usr/bin/b  m2\r\n" +
                                       kStamp + "/opt/k[y]/evil  m1\r\n");
}

TEST_F(ActivityLogTest, OnlyAHeaderOnTheFirstLineIsDropped) {
    // Any line break is read; every line is written back with CR LF.
    WriteFileBytes(path, "x [This file may be emptied anytime.] y\nold\r[This file may be emptied anytime.]\r\nend");
    log.LogIt("/x", "m", false);
    EXPECT_EQ(ReadFileBytes(path), kHeader + kStamp + "/x  m\r\nold\r\n" + kHeader + "end\r\n");

    WriteFileBytes(path, "[This file may be emptied]\r\n\r\nold\r\n");
    log.LogIt("/x", "m", false);
    EXPECT_EQ(ReadFileBytes(path), kHeader + kStamp + "/x  m\r\n[This file may be emptied]\r\n\r\nold\r\n");
}

TEST_F(ActivityLogTest, AlertIsPaintedOnlyWhenAskedAndOnlyAfterTheEntryIsWritten) {
    log.LogIt("/x", "quiet", false);
    EXPECT_EQ(host.logAlerts, 0);
    log.LogIt("/x", "loud", true);
    log.LogIt("/x", "loud", true);
    EXPECT_EQ(host.logAlerts, 2);

    std::filesystem::remove(path);
    EXPECT_EQ(TryLog(true), "Cannot open file " + path);
    EXPECT_FALSE(std::filesystem::exists(path));

    WriteFileBytes(path, kHeader);
    ASSERT_EQ(::chown(path.c_str(), test::AsRestrictedUser::uid(), -1), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_EQ(TryLog(true), "Cannot create file " + path);
    EXPECT_EQ(ReadFileBytes(path), kHeader);
    EXPECT_EQ(FolderEntries(), 1u);
    EXPECT_EQ(host.logAlerts, 2);
}

TEST_F(ActivityLogTest, RewriteKeepsPermissionsAndLinks) {
    ASSERT_EQ(::chmod(path.c_str(), 0604), 0);
    EXPECT_EQ(TryLog(), "");
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0604));
    EXPECT_EQ(FolderEntries(), 1u);

    const std::string link = folder.file("link.txt");
    std::filesystem::create_symlink(path, link);
    ActivityLog(link, clock, host).LogIt("/x", "via link", false);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_NE(ReadFileBytes(path).find("via link"), std::string::npos);
}

TEST_F(ActivityLogTest, LockedFolderOrFullDiskNeverCostsTheLog) {
    const std::string old = kHeader + std::string(5000, 'o') + "\r\n";
    for (const bool lockedFolder : {false, true}) {
        WriteFileBytes(path, old);
        ASSERT_EQ(::chmod(folder.path().c_str(), lockedFolder ? 0555 : 0700), 0);
        // As on a full disk: files cannot grow past the old log's size.
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit limit{old.size() + 20, saved.rlim_max};
        const auto signal = std::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const std::string error = TryLog(true);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, signal);
        EXPECT_EQ(error, "Stream write error " + path);
        EXPECT_EQ(ReadFileBytes(path), old);
        EXPECT_EQ(FolderEntries(), 1u);
    }
    // A locked folder still takes entries, written in place.
    EXPECT_EQ(TryLog(), "");
    EXPECT_EQ(ReadFileBytes(path), kHeader + kStamp + "/x  m\r\n" + old.substr(kHeader.size()));
    EXPECT_EQ(host.logAlerts, 0);
}

} // namespace
} // namespace korvane
