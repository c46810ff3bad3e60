#include "store/list_file_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/file_error.h"
#include "tests/support/memory_list_pane.h"
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

    test::TempFolder folder_;
    ListFileStore store_{folder_.folder()};
};

TEST_F(ListFileStoreTest, StoreWritesEntriesWithCrLfAndScrubs) {
    WriteFileBytes(tempFile(), std::string(10000, 'x'));
    MemoryListPane kill("CheckListBox3", false, {"b.exe", "/opt/a"});
    store_.EnDeCryptMajor(kill, ListDirection::Store);
    EXPECT_EQ(ReadFileBytes(listFile("Kill")).size(), 32u + std::string("b.exe\r\n/opt/a\r\n").size());
    EXPECT_EQ(ReadFileBytes(tempFile()), Filler());

    MemoryListPane empty("TextListBox2", true);
    store_.EnDeCryptMajor(empty, ListDirection::Store);
    EXPECT_EQ(ReadFileBytes(listFile("Safe")).size(), 32u);
    MemoryListPane current("TextListBox1");
    EXPECT_THROW(store_.EnDeCryptMajor(current, ListDirection::Store), std::invalid_argument);
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
        store_.EnDeCryptMajor(*pane, ListDirection::Store);
    }

    MemoryListPane safeBack("TextListBox2", true, {"stale entry"});
    MemoryListPane killBack("CheckListBox3", false);
    MemoryListPane neverKillBack("TextListBox4", true);
    store_.EnDeCryptMajor(safeBack, ListDirection::Load);
    store_.EnDeCryptMajor(killBack, ListDirection::Load);
    store_.EnDeCryptMajor(neverKillBack, ListDirection::Load);

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

TEST_F(ListFileStoreTest, LoadSplitsAtEveryLineEndAndStopsAtZeroByte) {
    storeText("CheckListBox3", "a\r\nb\rc\nd\n\re\r\n\r\nf");
    MemoryListPane kill("CheckListBox3");
    store_.EnDeCryptMajor(kill, ListDirection::Load);
    EXPECT_EQ(kill.items(), (std::vector<std::string>{"a", "b", "c", "d", "", "e", "", "f"}));

    storeText("CheckListBox3", std::string("one\r\ntwo\0three\r\n", 17));
    store_.EnDeCryptMajor(kill, ListDirection::Load);
    EXPECT_EQ(kill.items(), (std::vector<std::string>{"one", "two"}));
}

TEST_F(ListFileStoreTest, ShortFileLoadsEmptyAndScrubs) {
    MemoryListPane safe("TextListBox2", true, {"old"});
    WriteFileBytes(listFile("Safe"), "0123456789");
    store_.EnDeCryptMajor(safe, ListDirection::Load);
    EXPECT_EQ(safe.count(), 0u);
    EXPECT_EQ(ReadFileBytes(tempFile()), Filler());
}

// A failed round trip reports the first error, keeps the pane, and still scrubs the
// temporary file so that no plain list text stays on disk.
TEST_F(ListFileStoreTest, FailedRoundTripsThrowAndStillScrub) {
    MemoryListPane neverKill("TextListBox4", true, {"/usr/sbin/init"});
    WriteFileBytes(tempFile(), "/usr/bin/leftover plain text\r\n");
    try {
        store_.EnDeCryptMajor(neverKill, ListDirection::Load);
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open file " + listFile("NeverKill"));
    }
    EXPECT_EQ(neverKill.items(), std::vector<std::string>{"/usr/sbin/init"});
    EXPECT_EQ(ReadFileBytes(tempFile()), Filler());

    std::filesystem::remove_all(folder_.path() / "system");
    try {
        store_.EnDeCryptMajor(neverKill, ListDirection::Store);
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create file " + listFile("NeverKill"));
    }
    EXPECT_EQ(ReadFileBytes(tempFile()), Filler());
}

} // namespace
} // namespace korvane
