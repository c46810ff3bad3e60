#include "engine/file_rewrite.h"

#include <csignal>
#include <filesystem>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/file_error.h"
#include "tests/support/restricted_user.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

// Files may grow no larger than `bytes` for the length of a scope, as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        signal_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, saved_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, signal_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*signal_)(int) = nullptr;
};

class FileRewriteTest : public testing::Test {
protected:
    FileRewriteTest() {
        WriteFileBytes(path, old);
        ::chown(folder.path().c_str(), test::AsRestrictedUser::uid(), -1);
        ::chown(path.c_str(), test::AsRestrictedUser::uid(), -1);
    }
    ~FileRewriteTest() override { ::chmod(folder.path().c_str(), 0700); }

    void LockFolder() { ASSERT_EQ(::chmod(folder.path().c_str(), 0555), 0); }
    ino_t Inode() const {
        struct stat info {};
        ::stat(path.c_str(), &info);
        return info.st_ino;
    }
    std::size_t FolderEntries() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder.path()), {}));
    }

    test::TempFolder folder;
    std::string path = folder.file("data.txt");
    std::string old = std::string(5000, 'o');
    std::string fresh = std::string(9000, 'n');
};

TEST_F(FileRewriteTest, ReplacementKeepsPermissionsAndLeavesNothingBehind) {
    ASSERT_EQ(::chmod(path.c_str(), 0604), 0);
    RewriteFile(path, fresh);
    EXPECT_EQ(ReadFileBytes(path), fresh);
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0604));
    EXPECT_EQ(FolderEntries(), 1u);
}

TEST_F(FileRewriteTest, LockedFolderRewritesTheFileInPlace) {
    const ino_t before = Inode();
    LockFolder();
    {
        test::AsRestrictedUser restricted;
        RewriteFile(path, "short");
    }
    EXPECT_EQ(ReadFileBytes(path), "short");
    EXPECT_EQ(Inode(), before);
}

TEST_F(FileRewriteTest, LinksStillLeadToTheRewrittenFile) {
    const std::string link = folder.file("link.txt");
    std::filesystem::create_symlink(path, link);
    RewriteFile(link, fresh);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(path), fresh);

    const std::string second = folder.file("second.txt");
    std::filesystem::create_hard_link(path, second);
    RewriteFile(path, old);
    EXPECT_EQ(ReadFileBytes(second), old);
}

TEST_F(FileRewriteTest, MissingFileIsNotCreated) {
    const std::string missing = folder.file("missing.txt");
    EXPECT_THROW(RewriteFile(missing, fresh), FileError);
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(FileRewriteTest, WriteFailureKeepsTheOldContentsWhole) {
    for (const bool lockedFolder : {false, true}) {
        if (lockedFolder) {
            LockFolder();
        }
        test::AsRestrictedUser restricted;
        FileSizeLimit limit(7000);
        try {
            RewriteFile(path, fresh);
            ADD_FAILURE() << "no error";
        } catch (const FileError& error) {
            EXPECT_EQ(std::string(error.what()), "Stream write error " + path);
        }
    }
    EXPECT_EQ(ReadFileBytes(path), old);
    EXPECT_EQ(FolderEntries(), 1u);
}

} // namespace
} // namespace korvane
