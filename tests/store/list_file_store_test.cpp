#include "store/list_file_store.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/file_error.h"
#include "tests/support/deadline.h"
#include "tests/support/memory_list_pane.h"
#include "tests/support/restricted_user.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

using test::MemoryListPane;
using test::ReadFileBytes;
using test::WriteFileBytes;

// Where the file's bytes lie on the disk: the physical byte address of each of its
// first extents, after flushing it. Nothing when the file system cannot say.
std::optional<std::vector<std::uint64_t>> PhysicalExtents(const std::string& path) {
    constexpr std::size_t kExtents = 16;
    std::vector<std::uint64_t> storage((sizeof(fiemap) + kExtents * sizeof(fiemap_extent)) / sizeof(std::uint64_t) + 1);
    auto* map = reinterpret_cast<fiemap*>(storage.data());
    map->fm_length = FIEMAP_MAX_OFFSET;
    map->fm_flags = FIEMAP_FLAG_SYNC;
    map->fm_extent_count = kExtents;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool mapped = fd >= 0 && ::ioctl(fd, FS_IOC_FIEMAP, map) == 0 && map->fm_mapped_extents > 0;
    ::close(fd);
    if (!mapped) {
        return std::nullopt;
    }
    std::vector<std::uint64_t> physical;
    for (std::uint32_t i = 0; i < map->fm_mapped_extents; ++i) {
        physical.push_back(map->fm_extents[i].fe_physical);
    }
    return physical;
}

std::string Filler() {
    std::string filler;
    for (int i = 0; i < 300; ++i) {
        filler += std::string(20, '\xFF') + "\r\n";
    }
    return filler;
}

class ListFileStoreTest : public ::testing::Test {
protected:
    ListFileStoreTest() { std::filesystem::create_directory(folder_.path() / "system"); }

    std::string listFile(const std::string& base) const { return folder_.file("system/" + base + ".lst"); }
    std::string tempFile() const { return folder_.file("source.pcd"); }

    // Stores a plain text as the list file of `pane` through the public store path.
    void storeText(const std::string& paneName, const std::string& text) {
        WriteFileBytes(folder_.file("plain"), text);
        TEncryption().CEncryptBtnClick("Xq4&Lm9!vR2#tB%h8=", folder_.file("plain"), store_.listFilePath(paneName));
    }

    void store(const ListPane& pane) { store_.StoreList(pane).commit(); }

    test::TempFolder folder_;
    ListFileStore store_{folder_.folder()};
};

TEST_F(ListFileStoreTest, StoreWritesEntriesWithCrLfAndScrubs) {
    WriteFileBytes(tempFile(), std::string(10000, 'x'));
    MemoryListPane kill("CheckListBox3", false, {"b.exe", "/opt/a"});
    store(kill);
    EXPECT_EQ(ReadFileBytes(listFile("Kill")).size(), 32u + std::string("b.exe\r\n/opt/a\r\n").size());
    EXPECT_EQ(ReadFileBytes(tempFile()), Filler());

    MemoryListPane empty("TextListBox2", true);
    store(empty);
    EXPECT_EQ(ReadFileBytes(listFile("Safe")).size(), 32u);
    MemoryListPane current("TextListBox1");
    EXPECT_THROW(store_.StoreList(current), std::invalid_argument);
}

TEST_F(ListFileStoreTest, RoundTripsEveryPaneAndSharesTheCheckBlock) {
    const std::vector<std::string> safeItems = {"/usr/bin/zsh     [00000000000000000000000000000000]",
                                                "/usr/bin/Bash     [11111111111111111111111111111111]"};
    MemoryListPane safe("TextListBox2", true, safeItems);
    MemoryListPane kill("CheckListBox3", false, {"zz.exe", "/opt/b", "aa"});
    kill.setChecked(0, true);
    kill.setChecked(2, true);
    MemoryListPane neverKill("TextListBox4", true, {"/usr/sbin/init", "   password", "/usr/lib/systemd/systemd"});
    for (ListPane* pane : std::vector<ListPane*>{&safe, &kill, &neverKill}) {
        store(*pane);
    }

    MemoryListPane safeBack("TextListBox2", true, {"stale entry"});
    MemoryListPane killBack("CheckListBox3", false);
    MemoryListPane neverKillBack("TextListBox4", true);
    EXPECT_EQ(store_.LoadList(safeBack), ListLoad::Loaded);
    EXPECT_EQ(store_.LoadList(killBack), ListLoad::Loaded);
    EXPECT_EQ(store_.LoadList(neverKillBack), ListLoad::Loaded);

    EXPECT_EQ(safeBack.items(), (std::vector<std::string>{safeItems[1], safeItems[0]}));
    EXPECT_EQ(killBack.items(), (std::vector<std::string>{"zz.exe", "/opt/b", "aa"}));
    for (std::size_t i = 0; i < killBack.count(); ++i) {
        EXPECT_FALSE(killBack.checked(i));
    }
    EXPECT_EQ(neverKillBack.items(),
              (std::vector<std::string>{"   password", "/usr/lib/systemd/systemd", "/usr/sbin/init"}));
    EXPECT_EQ(ReadFileBytes(tempFile()), Filler());

    const std::string head = ReadFileBytes(listFile("Safe")).substr(0, 32);
    EXPECT_EQ(ReadFileBytes(listFile("Kill")).substr(0, 32), head);
    EXPECT_EQ(ReadFileBytes(listFile("NeverKill")).substr(0, 32), head);
}

// Blank lines are no entries: in the Never Kill list an empty line would sort before
// the password line and be taken for it.
TEST_F(ListFileStoreTest, LoadSplitsAtEveryLineEndDropsBlanksAndStopsAtZeroByte) {
    storeText("CheckListBox3", "a\r\nb\rc\nd\n\re\r\n\r\n   \r\n \tx\r\nf\r\n");
    MemoryListPane kill("CheckListBox3");
    EXPECT_EQ(store_.LoadList(kill), ListLoad::Loaded);
    EXPECT_EQ(kill.items(), (std::vector<std::string>{"a", "b", "c", "d", "e", " \tx", "f"}));

    storeText("CheckListBox3", std::string("one\r\ntwo\0three\r\n", 16));
    store_.LoadList(kill);
    EXPECT_EQ(kill.items(), (std::vector<std::string>{"one", "two"}));
}

TEST_F(ListFileStoreTest, ForeignMissingAndUnreadableFilesLoadEmptyAndSaySo) {
    MemoryListPane safe("TextListBox2", true, {"old"});
    WriteFileBytes(listFile("Safe"), "0123456789");
    EXPECT_EQ(store_.LoadList(safe), ListLoad::Rejected);
    EXPECT_EQ(safe.count(), 0u);
    EXPECT_EQ(ReadFileBytes(tempFile()), Filler());

    MemoryListPane kill("CheckListBox3", false, {"old"});
    EXPECT_EQ(store_.LoadList(kill), ListLoad::Missing);
    EXPECT_EQ(kill.count(), 0u);

    MemoryListPane neverKill("TextListBox4", true, {"/usr/sbin/init"});
    store(neverKill);
    neverKill.add("/opt/unsaved");
    std::filesystem::permissions(listFile("NeverKill"), std::filesystem::perms::none);
    // Under root the restricted user is "nobody": it owns the folders and the temporary
    // file, not the list.
    for (const std::string& path : {folder_.folder(), folder_.file("system"), tempFile()}) {
        ASSERT_EQ(::chown(path.c_str(), test::AsRestrictedUser::uid(), -1), 0);
    }
    {
        const test::AsRestrictedUser restricted;
        EXPECT_EQ(store_.LoadList(neverKill), ListLoad::Unreadable);
    }
    EXPECT_EQ(neverKill.count(), 0u);
}

// Every stored entry ends with CR LF. A file cut inside its last entry leaves a shorter
// path (or, cut inside a full cipher block, a garbled end), which on the Kill list would
// end every program below it: cut anywhere within that entry, the file is damaged and
// loads as nothing.
TEST_F(ListFileStoreTest, ListCutInsideItsLastEntryIsRejected) {
    MemoryListPane kill("CheckListBox3", false, {"/opt/kept", "/usr/bin/foo"});
    store(kill);
    const std::string whole = ReadFileBytes(listFile("Kill"));
    for (std::size_t cut = 1; cut < std::string("/usr/bin/foo\r\n").size(); ++cut) {
        SCOPED_TRACE("cut by " + std::to_string(cut));
        WriteFileBytes(listFile("Kill"), whole.substr(0, whole.size() - cut));
        MemoryListPane loaded("CheckListBox3", false, {"stale"});
        EXPECT_EQ(store_.LoadList(loaded), ListLoad::Rejected);
        EXPECT_EQ(loaded.count(), 0u);
        EXPECT_EQ(ReadFileBytes(tempFile()), Filler());
    }
}

// A FIFO in a list file's or the temporary file's place has no writer or reader: an
// ordinary open would wait for one forever. It is a file that cannot be opened.
TEST_F(ListFileStoreTest, FifoInPlaceOfAListOrTheTemporaryFileFailsAtOnce) {
    MemoryListPane kill("CheckListBox3", false, {"/opt/kept"});
    store(kill);
    std::filesystem::remove(listFile("Kill"));
    ASSERT_EQ(::mkfifo(listFile("Kill").c_str(), 0600), 0);
    const std::optional<int> loaded = test::RunWithDeadline(10, [&] {
        MemoryListPane pane("CheckListBox3", false, {"stale"});
        return store_.LoadList(pane) == ListLoad::Unreadable && pane.count() == 0 ? 0 : 1;
    });
    EXPECT_EQ(loaded, 0);

    store(kill);
    std::filesystem::remove(tempFile());
    ASSERT_EQ(::mkfifo(tempFile().c_str(), 0600), 0);
    const auto throwsOnTheTemporaryFile = [&](const auto& use) {
        try {
            use();
        } catch (const FileError& error) {
            return error.path() == tempFile() ? 0 : 1;
        }
        return 2;
    };
    EXPECT_EQ(test::RunWithDeadline(10,
                                    [&] {
                                        MemoryListPane pane("CheckListBox3");
                                        return throwsOnTheTemporaryFile([&] { store_.LoadList(pane); });
                                    }),
              0);
    EXPECT_EQ(test::RunWithDeadline(10, [&] { return throwsOnTheTemporaryFile([&] { store_.StoreList(kill); }); }), 0);
}

// The scrub writes its filler over the blocks that held the plain text, all of them,
// before it cuts the file to the filler's length; written into a truncated file, the
// filler would go to fresh blocks and leave the text on the disk.
TEST_F(ListFileStoreTest, ScrubOverwritesThePlainTextWhereItLies) {
    std::string plain;
    while (plain.size() < 256 * 1024) {
        plain += "/usr/bin/secret" + std::to_string(plain.size()) + "     [0123456789ABCDEF0123456789ABCDEF]\r\n";
    }
    WriteFileBytes(tempFile(), plain);
    const std::optional<std::vector<std::uint64_t>> before = PhysicalExtents(tempFile());
    if (!before) {
        GTEST_SKIP() << "the file system does not tell where a file's blocks lie (FIEMAP)";
    }
    store_.ScrubFile(tempFile());
    EXPECT_EQ(ReadFileBytes(tempFile()), Filler());
    const std::optional<std::vector<std::uint64_t>> after = PhysicalExtents(tempFile());
    ASSERT_TRUE(after);
    EXPECT_EQ(after->front(), before->front()) << "the filler went to other blocks than the text";
}

// A failure of the temporary file is no verdict on the list: it throws, keeps the pane
// and still scrubs what it can.
TEST_F(ListFileStoreTest, TemporaryFileFailureThrowsAndKeepsThePane) {
    MemoryListPane neverKill("TextListBox4", true, {"/usr/sbin/init"});
    store(neverKill);
    std::filesystem::remove(tempFile());
    std::filesystem::create_directory(tempFile());
    neverKill.add("/opt/unsaved");
    try {
        store_.LoadList(neverKill);
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(error.path(), tempFile());
    }
    EXPECT_EQ(neverKill.items(), (std::vector<std::string>{"/opt/unsaved", "/usr/sbin/init"}));
}

TEST_F(ListFileStoreTest, StoreReplacesTheListOnlyWhenCommitted) {
    MemoryListPane kill("CheckListBox3", false, {"/opt/old"});
    store(kill);
    const std::string old = ReadFileBytes(listFile("Kill"));
    kill.add("/opt/new");
    {
        FileReplacement pending = store_.StoreList(kill);
        EXPECT_EQ(ReadFileBytes(listFile("Kill")), old);
        EXPECT_EQ(ReadFileBytes(pending.temporaryPath()).size(), old.size() + std::string("/opt/new\r\n").size());
    }
    // Not committed: the old file stays and no temporary file is left behind.
    EXPECT_EQ(ReadFileBytes(listFile("Kill")), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path() / "system"),
                            std::filesystem::directory_iterator()),
              1);

    std::filesystem::remove_all(folder_.path() / "system");
    try {
        store_.StoreList(kill);
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create file " + listFile("Kill"));
    }
}

// The plain list text is readable by its owner only, and a link planted at the
// temporary file's name is never written through.
TEST_F(ListFileStoreTest, TemporaryFileIsPrivateAndNeverFollowsALink) {
    MemoryListPane safe("TextListBox2", true, {"/usr/bin/secret     [00000000000000000000000000000000]"});
    store(safe);
    struct stat info {};
    ASSERT_EQ(::stat(tempFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // Left by an older version with wider permissions: tightened at the next use.
    std::filesystem::permissions(tempFile(), std::filesystem::perms(0644));
    store_.LoadList(safe);
    ASSERT_EQ(::stat(tempFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    const std::string victim = folder_.file("victim");
    WriteFileBytes(victim, "keep me");
    std::filesystem::remove(tempFile());
    std::filesystem::create_symlink(victim, tempFile());
    EXPECT_THROW(store_.StoreList(safe), FileError);
    EXPECT_THROW(store_.LoadList(safe), FileError);
    EXPECT_EQ(ReadFileBytes(victim), "keep me");
}

} // namespace
} // namespace korvane
