#include "store/data_store.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "engine/file_error.h"
#include "engine/text_lines.h"
#include "store/data_seal.h"
#include "store/encryption.h"
#include "tests/store/store_fixture.h"
#include "tests/support/deadline.h"
#include "tests/support/restricted_user.h"

namespace korvane {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

const std::string kTampered = DataStore::kTamperedMessage;

// The plain text of a stored list file.
std::string StoredText(const std::string& listFile, const std::string& scratch) {
    TEncryption().CDecryptBtnClick("Xq4&Lm9!vR2#tB%h8=", listFile, scratch);
    return ReadFileBytes(scratch);
}

class SealTest : public test::StoreFixture {
protected:
    SealTest() {
        safe.add("/usr/bin/zsh     [00000000000000000000000000000000]");
        kill.add("/opt/evil");
        neverKill.add("/usr/lib/systemd/systemd");
        saveAsShutdown();
    }
    void expectPainted(const std::vector<std::string>& panes, int alarms) {
        EXPECT_EQ(host.painted, panes);
        EXPECT_EQ(host.alarms, alarms);
    }
};

TEST_F(SealTest, UnchangedFilesPassSilently) {
    EXPECT_EQ(ReadFileBytes(files.seal).size(), 98u);
    EXPECT_EQ(ReadFileBytes(files.sealBackup), ReadFileBytes(files.seal));
    store.VerifyDataSeal();
    EXPECT_EQ(logText(), "");
    expectPainted({}, 0);
    EXPECT_EQ(window.logAlerts, 0);
}

TEST_F(SealTest, AlteredSealPaintsAllThreePanes) {
    std::string seal = ReadFileBytes(files.seal);
    seal[40] = seal[40] == 'A' ? 'B' : 'A'; // inside the Kill digest
    WriteFileBytes(files.seal, seal);
    store.VerifyDataSeal();
    EXPECT_EQ(logCount(files.seal + "  " + kTampered), 1);
    // The Kill digest no longer occurs either: its own test fails as well.
    EXPECT_EQ(logCount(files.killList + "  " + kTampered), 1);
    EXPECT_EQ(logCount(kTampered), 2);
    expectPainted({"TextListBox2", "CheckListBox3", "TextListBox4", "CheckListBox3"}, 2);
    EXPECT_EQ(window.logAlerts, 2);
    // Newest first: the Kill entry above the seal entry.
    EXPECT_LT(logText().find(files.killList), logText().find(files.seal));
}

TEST_F(SealTest, ListReplacedByAnOlderCopyMarksOnlyThatList) {
    const std::string older = ReadFileBytes(files.killList);
    kill.add("/opt/second");
    saveAsShutdown();
    WriteFileBytes(files.killList, older);
    store.VerifyDataSeal();
    EXPECT_EQ(logCount(kTampered), 1);
    EXPECT_EQ(logCount(files.killList + "  " + kTampered), 1);
    expectPainted({"CheckListBox3"}, 1);
}

TEST_F(SealTest, SwappedSafeAndKillGoUnnoticed) {
    const std::string safeBytes = ReadFileBytes(files.safeList);
    WriteFileBytes(files.safeList, ReadFileBytes(files.killList));
    WriteFileBytes(files.killList, safeBytes);
    store.VerifyDataSeal();
    EXPECT_EQ(logText(), "");
    expectPainted({}, 0);
}

TEST_F(SealTest, SealWithALineBreakFailsTheLengthTest) {
    WriteFileBytes(files.seal, ReadFileBytes(files.seal) + "\n");
    WriteFileBytes(files.sealBackup, ReadFileBytes(files.seal));
    store.VerifyDataSeal();
    EXPECT_EQ(logCount(kTampered), 1);
    EXPECT_EQ(logCount(files.seal + "  " + kTampered), 1);
    expectPainted({"TextListBox2", "CheckListBox3", "TextListBox4"}, 1);
}

TEST_F(SealTest, LowerCaseDigitsFailTheListTests) {
    std::string seal = ReadFileBytes(files.seal);
    for (char& c : seal) {
        if (c >= 'A' && c <= 'F') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    WriteFileBytes(files.seal, seal);
    WriteFileBytes(files.sealBackup, seal);
    store.VerifyDataSeal();
    EXPECT_EQ(logCount(kTampered), 3);
    EXPECT_EQ(logCount(files.seal), 0);
    expectPainted({"TextListBox2", "CheckListBox3", "TextListBox4"}, 3);
}

// A missing file is a failed test, never an abandoned check.
TEST_F(SealTest, MissingFilesFailTheirTests) {
    std::filesystem::remove(files.sealBackup);
    store.VerifyDataSeal();
    EXPECT_EQ(logCount(kTampered), 1);
    EXPECT_EQ(logCount(files.seal + "  " + kTampered), 1);

    std::filesystem::remove(files.neverKillList);
    WriteFileBytes(files.log, "");
    host.painted.clear();
    store.VerifyDataSeal();
    EXPECT_EQ(logCount(kTampered), 2);
    EXPECT_EQ(logCount(files.neverKillList + "  " + kTampered), 1);
    EXPECT_EQ(host.painted.back(), "TextListBox4");

    // Without a seal nothing is sealed: all four tests fail.
    std::filesystem::remove(files.seal);
    WriteFileBytes(files.log, "");
    store.VerifyDataSeal();
    EXPECT_EQ(logCount(kTampered), 4);
}

// Deleting the log must not also silence the alarm.
TEST_F(SealTest, UnwritableLogStillPaintsAndAlarms) {
    std::filesystem::remove(files.log);
    std::filesystem::remove(files.seal);
    store.VerifyDataSeal();
    EXPECT_FALSE(std::filesystem::exists(files.log));
    EXPECT_EQ(host.painted.size(), 6u);
    EXPECT_EQ(host.alarms, 4);
}

class SaveAndLoadTest : public test::StoreFixture {
protected:
    using NextRun = test::NextRun;

    SaveAndLoadTest() { saveAsShutdown(); }
    std::string scratch() const { return folder.file("scratch"); }
};

TEST_F(SaveAndLoadTest, ListsPasswordSealAndBackupSurviveARestart) {
    store.LoadLists();
    safe.add("/usr/bin/zsh     [00000000000000000000000000000000]");
    kill.add("b.exe");
    kill.add("/opt/a");
    kill.setChecked(0, true);
    neverKill.add("/usr/lib/systemd/systemd");
    ASSERT_TRUE(store.SaveLists("s3cret"));
    EXPECT_EQ(neverKill.items(), std::vector<std::string>{"/usr/lib/systemd/systemd"});
    EXPECT_EQ(SplitLines(StoredText(files.neverKillList, scratch())).front(), "   s3cret");

    EXPECT_EQ(ReadFileBytes(files.sealBackup), ReadFileBytes(files.seal));
    EXPECT_EQ(std::filesystem::last_write_time(files.sealBackup), SealBackupTime());
    struct stat info {};
    ASSERT_EQ(::stat(files.sealBackup.c_str(), &info), 0);
    std::tm local{};
    ::localtime_r(&info.st_mtime, &local);
    EXPECT_EQ((std::vector<int>{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                                local.tm_sec}),
              (std::vector<int>{2007, 11, 19, 9, 32, 2}));

    NextRun next(files);
    next.store.VerifyDataSeal();
    EXPECT_EQ(logText(), "");
    EXPECT_EQ(next.store.LoadLists(), "s3cret");
    EXPECT_EQ(next.safe.items(), safe.items());
    EXPECT_EQ(next.kill.items(), kill.items());
    EXPECT_FALSE(next.kill.checked(0)); // Bypass marks are not stored
    EXPECT_EQ(next.neverKill.items(), neverKill.items());
}

TEST_F(SaveAndLoadTest, PasswordLineForms) {
    store.LoadLists();
    ASSERT_TRUE(store.SaveLists(""));
    // An empty Never Kill pane is stored as the password line alone.
    EXPECT_EQ(StoredText(files.neverKillList, scratch()), "   \r\n");

    // Stray blank-led entries do not survive a save, nor stay on the pane.
    neverKill.add("");
    neverKill.add(" stray");
    neverKill.add("/sbin/init");
    ASSERT_TRUE(store.SaveLists("pw"));
    EXPECT_EQ(StoredText(files.neverKillList, scratch()), "   pw\r\n/sbin/init\r\n");
    EXPECT_EQ(neverKill.items(), std::vector<std::string>{"/sbin/init"});

    NextRun next(files);
    EXPECT_EQ(next.store.LoadLists(), "pw");
    EXPECT_EQ(next.neverKill.items(), std::vector<std::string>{"/sbin/init"});
}

// A file saved with an empty password loads without a password line: the first entry
// is a path, and it must stay.
TEST_F(SaveAndLoadTest, EmptyPasswordLeavesTheFirstEntry) {
    store.LoadLists();
    neverKill.add("/sbin/init");
    ASSERT_TRUE(store.SaveLists(""));
    NextRun next(files);
    EXPECT_EQ(next.store.LoadLists(), "");
    EXPECT_EQ(next.neverKill.items(), std::vector<std::string>{"/sbin/init"});
}

TEST_F(SaveAndLoadTest, FiveFilesAreLockedFromLoadToSave) {
    WriteFileBytes(files.executable, "");
    store.LoadLists();
    EXPECT_EQ(locker.held, (std::vector<std::string>{folder.file("Korvane"), files.safeList, files.killList,
                                                     files.neverKillList, files.seal}));
    EXPECT_EQ(locker.lengths, std::vector<std::uint64_t>(5, 0x7FFF));
    ASSERT_TRUE(store.SaveLists(""));
    EXPECT_TRUE(locker.held.empty());
}

// Lists that were never loaded are never written over the files.
TEST_F(SaveAndLoadTest, ListsNeverLoadedAreNotSaved) {
    const std::string safeBytes = ReadFileBytes(files.safeList);
    const std::string sealBytes = ReadFileBytes(files.seal);
    safe.add("/opt/not/loaded");
    EXPECT_TRUE(store.SaveLists(""));
    EXPECT_EQ(ReadFileBytes(files.safeList), safeBytes);
    EXPECT_EQ(ReadFileBytes(files.seal), sealBytes);
}

TEST_F(SaveAndLoadTest, FailedLoadCanBeRetried) {
    std::filesystem::remove(files.listTemp);
    std::filesystem::create_directory(files.listTemp);
    EXPECT_THROW(store.LoadLists(), FileError);
    EXPECT_FALSE(store.listsLoaded());
    EXPECT_TRUE(store.SaveLists("")); // nothing loaded, nothing written
    std::filesystem::remove(files.listTemp);
    store.LoadLists();
    EXPECT_TRUE(store.listsLoaded());
}

// A failed save keeps every old file, says so in the log with alert, and leaves no
// password line on the pane.
TEST_F(SaveAndLoadTest, FailedSaveIsLoggedAndKeepsTheOldFiles) {
    store.LoadLists();
    const std::string killBytes = ReadFileBytes(files.killList);
    const std::string sealBytes = ReadFileBytes(files.seal);
    kill.add("/opt/new");
    neverKill.add("/sbin/init");
    std::filesystem::remove(files.listTemp);
    std::filesystem::create_directories(folder.file("source.pcd/blocker"));
    EXPECT_FALSE(store.SaveLists("pw"));
    EXPECT_EQ(logCount(files.listTemp + "  " + DataStore::kSaveFailedMessage), 1);
    EXPECT_EQ(window.logAlerts, 1);
    EXPECT_EQ(neverKill.items(), std::vector<std::string>{"/sbin/init"});
    EXPECT_EQ(ReadFileBytes(files.killList), killBytes);
    EXPECT_EQ(ReadFileBytes(files.seal), sealBytes);

    std::filesystem::remove_all(files.listTemp);
    EXPECT_TRUE(store.SaveLists("pw"));
    EXPECT_NE(ReadFileBytes(files.killList), killBytes);
}

TEST_F(SaveAndLoadTest, MissingListLoadsEmptyAndTheOthersStillLoad) {
    kill.add("/opt/kept");
    neverKill.add("/sbin/init");
    saveAsShutdown();
    kill.clear();
    neverKill.clear();
    std::filesystem::remove(files.safeList);
    store.LoadLists();
    EXPECT_EQ(safe.count(), 0u);
    EXPECT_EQ(kill.items(), std::vector<std::string>{"/opt/kept"});
    EXPECT_EQ(neverKill.items(), std::vector<std::string>{"/sbin/init"});
    EXPECT_FALSE(std::filesystem::exists(files.safeList + ".rejected"));
    EXPECT_EQ(logText(), "");
}

// One flipped bit in the check block empties the list; the file is kept beside it
// before the next save replaces it, and the log names the copy.
TEST_F(SaveAndLoadTest, RejectedListIsKeptBeforeTheSaveReplacesIt) {
    safe.add("/usr/bin/zsh     [00000000000000000000000000000000]");
    kill.add("/opt/kept");
    saveAsShutdown();
    safe.clear();
    kill.clear();
    std::string bytes = ReadFileBytes(files.safeList);
    bytes[5] = static_cast<char>(bytes[5] ^ 0x10);
    WriteFileBytes(files.safeList, bytes);

    store.LoadLists();
    EXPECT_EQ(safe.count(), 0u);
    EXPECT_EQ(kill.items(), std::vector<std::string>{"/opt/kept"});
    const std::string copy = files.safeList + ".rejected";
    EXPECT_EQ(ReadFileBytes(copy), bytes);
    EXPECT_EQ(logCount(copy + "  " + DataStore::kRejectedMessage), 1);
    EXPECT_EQ(window.logAlerts, 1);

    ASSERT_TRUE(store.SaveLists(""));
    EXPECT_EQ(ReadFileBytes(copy), bytes);
    NextRun next(files);
    next.store.LoadLists();
    EXPECT_EQ(next.kill.items(), std::vector<std::string>{"/opt/kept"});
}

// An enciphered Kill list cut inside its last line would load "/usr/bin/foo" as
// "/usr/bin", which matches every program there. It is taken as damaged: kept aside,
// loaded empty, and its pane painted with the alarm sounding, as a failed seal does.
TEST_F(SaveAndLoadTest, KillListCutInsideItsLastLineLoadsEmptyWithTheAlarm) {
    kill.add("/usr/bin/foo");
    saveAsShutdown();
    kill.clear();
    const std::string whole = ReadFileBytes(files.killList);
    const std::string cut = whole.substr(0, whole.size() - std::string("/foo\r\n").size());
    WriteFileBytes(files.killList, cut);

    NextRun next(files);
    next.store.VerifyDataSeal();
    EXPECT_EQ(next.host.painted, std::vector<std::string>{"CheckListBox3"});
    next.host.painted.clear();
    next.store.LoadLists();
    EXPECT_EQ(next.kill.count(), 0u);
    EXPECT_EQ(ReadFileBytes(files.killList + ".rejected"), cut);
    EXPECT_EQ(logCount(files.killList + ".rejected  " + DataStore::kRejectedMessage), 1);
    EXPECT_EQ(next.host.painted, std::vector<std::string>{"CheckListBox3"});
    EXPECT_EQ(next.host.alarms, 2);
}

// A FIFO put in place of any file the store reads or writes (a list, the seal, its
// backup, the temporary list file) must not freeze the start or the first activation:
// each run below finishes well within its deadline, as it would with the file missing.
TEST_F(SaveAndLoadTest, FifoInPlaceOfAnyDataFileFailsAtOnce) {
    kill.add("/opt/kept");
    saveAsShutdown();
    const std::vector<const std::string*> dataFiles = {&files.safeList, &files.killList,   &files.neverKillList,
                                                       &files.seal,     &files.sealBackup, &files.listTemp};
    std::vector<std::string> saved;
    for (const std::string* file : dataFiles) {
        saved.push_back(ReadFileBytes(*file));
    }
    for (const std::string* file : dataFiles) {
        SCOPED_TRACE(*file);
        std::filesystem::remove(*file);
        ASSERT_EQ(::mkfifo(file->c_str(), 0600), 0);
        const std::optional<int> run = test::RunWithDeadline(10, [&] {
            NextRun next(files);
            next.store.VerifyDataSeal();
            try {
                next.store.LoadLists();
            } catch (const FileError& error) {
                return error.path() == files.listTemp ? 0 : 1;
            }
            next.store.SaveLists("");
            return next.host.alarms > 0 ? 0 : 2;
        });
        EXPECT_EQ(run, 0);
        for (std::size_t i = 0; i < dataFiles.size(); ++i) {
            std::filesystem::remove(*dataFiles[i]);
            std::filesystem::remove(*dataFiles[i] + ".rejected");
            WriteFileBytes(*dataFiles[i], saved[i]);
        }
    }
}

// A list that cannot even be read cannot be copied: it is moved aside instead.
TEST_F(SaveAndLoadTest, UnreadableListIsMovedAside) {
    kill.add("/opt/kept");
    saveAsShutdown();
    kill.clear();
    const std::string bytes = ReadFileBytes(files.killList);
    std::filesystem::permissions(files.killList, std::filesystem::perms::none);
    for (const std::string& path : {folder.folder(), files.dataFolder, files.log}) {
        ASSERT_EQ(::chown(path.c_str(), test::AsRestrictedUser::uid(), -1), 0);
    }
    for (const std::string* path : {&files.safeList, &files.neverKillList, &files.listTemp}) {
        ASSERT_EQ(::chown(path->c_str(), test::AsRestrictedUser::uid(), -1), 0);
    }
    {
        const test::AsRestrictedUser restricted;
        store.LoadLists();
    }
    EXPECT_EQ(kill.count(), 0u);
    EXPECT_FALSE(std::filesystem::exists(files.killList));
    EXPECT_EQ(ReadFileBytes(files.killList + ".rejected"), bytes);
    EXPECT_EQ(logCount(files.killList + ".rejected  " + DataStore::kRejectedMessage), 1);
}

} // namespace
} // namespace korvane
