#include "store/list_file_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "engine/file_error.h"
#include "tests/support/memory_list_pane.h"
#include "tests/support/restricted_user.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

using test::MemoryListPane;
using test::ReadFileBytes;
using test::WriteFileBytes;

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
    storeText("CheckListBox3", "a\r\nb\rc\nd\n\re\r\n\r\n   \r\n \tx\r\nf");
    MemoryListPane kill("CheckListBox3");
    EXPECT_EQ(store_.LoadList(kill), ListLoad::Loaded);
    EXPECT_EQ(kill.items(), (std::vector<std::string>{"a", "b", "c", "d", "e", " \tx", "f"}));

    storeText("CheckListBox3", std::string("one\r\ntwo\0three\r\n", 17));
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
