#include "platform/linux/linux_file_locker.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

// Whether a write lock on bytes 0..length-1 could be taken now through a new open
// file description, as another process would: open-file-description locks conflict
// between descriptions, also within one process.
bool WritableByOthers(const std::string& path, off_t length) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    EXPECT_GE(fd, 0);
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = 0;
    range.l_len = length;
    const bool free = ::fcntl(fd, F_OFD_SETLK, &range) == 0;
    ::close(fd);
    return free;
}

class LinuxFileLockerTest : public ::testing::Test {
protected:
    LinuxFileLockerTest() { test::WriteFileBytes(path, "list bytes"); }

    test::TempFolder folder;
    std::string path = folder.file("Safe.lst");
    LinuxFileLocker locker;
};

TEST_F(LinuxFileLockerTest, LocksTheRangeUntilReleased) {
    ASSERT_TRUE(WritableByOthers(path, 0x7FFF));
    std::unique_ptr<FileLock> lock = locker.lockFile(path, 0x7FFF);
    ASSERT_NE(lock, nullptr);
    EXPECT_FALSE(WritableByOthers(path, 0x7FFF));
    EXPECT_FALSE(WritableByOthers(path, 1));
    lock.reset();
    EXPECT_TRUE(WritableByOthers(path, 0x7FFF));
}

// Reading the file elsewhere in the process opens and closes descriptors of it; with
// classic fcntl locks the first such close would drop the lock.
TEST_F(LinuxFileLockerTest, ClosingAnotherDescriptorKeepsTheLock) {
    const std::unique_ptr<FileLock> lock = locker.lockFile(path, 0x7FFF);
    ASSERT_NE(lock, nullptr);
    const int reader = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ::close(reader);
    EXPECT_FALSE(WritableByOthers(path, 0x7FFF));
}

TEST_F(LinuxFileLockerTest, MissingOrWriteLockedFilesGiveNoLock) {
    EXPECT_EQ(locker.lockFile(folder.file("missing"), 0x7FFF), nullptr);

    const int writer = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_len = 0x7FFF;
    ASSERT_EQ(::fcntl(writer, F_OFD_SETLK, &range), 0);
    EXPECT_EQ(locker.lockFile(path, 0x7FFF), nullptr);
    ::close(writer);
    EXPECT_NE(locker.lockFile(path, 0x7FFF), nullptr);
}

} // namespace
} // namespace korvane
