#include "engine/file_replacement.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/file_error.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

class FileReplacementTest : public ::testing::Test {
protected:
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder.path()), {}));
    }
    ino_t inode(const std::string& path) const {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0);
        return info.st_ino;
    }

    test::TempFolder folder;
    std::string path = folder.file("mpl.lst");
};

TEST_F(FileReplacementTest, NewFileAppearsOnlyAtCommitWithItsMode) {
    FileReplacement replacement = FileReplacement::Create(path, 0640);
    replacement.write("seal");
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(ReadFileBytes(replacement.temporaryPath()), "seal");
    replacement.commit();
    EXPECT_EQ(ReadFileBytes(path), "seal");
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(entries(), 1u);
}

TEST_F(FileReplacementTest, ExistingFileKeepsItsModeAndIsReplacedWhole) {
    WriteFileBytes(path, "old contents");
    std::filesystem::permissions(path, std::filesystem::perms(0604));
    const ino_t before = inode(path);
    FileReplacement replacement = FileReplacement::Create(path, 0600);
    replacement.write("new");
    EXPECT_EQ(ReadFileBytes(path), "old contents");
    replacement.commit();
    EXPECT_EQ(ReadFileBytes(path), "new");
    EXPECT_NE(inode(path), before); // a new file renamed into place, not the old one rewritten
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0604));
}

TEST_F(FileReplacementTest, UncommittedReplacementLeavesNothingBehind) {
    WriteFileBytes(path, "old");
    {
        FileReplacement replacement = FileReplacement::Create(path, 0600);
        replacement.write("half");
    }
    EXPECT_EQ(ReadFileBytes(path), "old");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(FileReplacementTest, NoFolderNoReplacement) {
    EXPECT_FALSE(FileReplacement::Begin(folder.file("missing/mpl.lst"), 0600));
    try {
        FileReplacement::Create(folder.file("missing/mpl.lst"), 0600);
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(error.path(), folder.file("missing/mpl.lst"));
        EXPECT_EQ(std::string(error.what()), "Cannot create file " + folder.file("missing/mpl.lst"));
    }
}

// What a replacement leaves when its process dies is removed; files that only look
// alike (a user's "mpl.lst.backup", another file's leftover, a folder) are kept.
TEST_F(FileReplacementTest, LeftoversOfADeadReplacementAreRemovedAndNothingElse) {
    WriteFileBytes(path, "old");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FileReplacement replacement = FileReplacement::Create(path, 0600);
        replacement.write("half");
        ::_exit(0); // no destructor runs, as in a crash
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_EQ(entries(), 2u);
    const std::vector<std::string> kept = {path + ".backup", path + ".partial-abc", folder.file("seal.partial-abc123"),
                                           path + ".partial-abc1234"};
    for (const std::string& file : kept) {
        WriteFileBytes(file, "mine");
    }
    std::filesystem::create_directory(path + ".partial-Dir456");

    FileReplacement::RemoveLeftovers(path);
    EXPECT_EQ(ReadFileBytes(path), "old");
    for (const std::string& file : kept) {
        EXPECT_EQ(ReadFileBytes(file), "mine") << file;
    }
    EXPECT_TRUE(std::filesystem::is_directory(path + ".partial-Dir456"));
    EXPECT_EQ(entries(), 2u + kept.size());
}

} // namespace
} // namespace korvane
