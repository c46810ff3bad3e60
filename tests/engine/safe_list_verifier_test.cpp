#include "engine/safe_list_verifier.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/checksums.h"
#include "engine/file_error.h"
#include "engine/text_rules.h"
#include "tests/support/safe_entries.h"
#include "tests/support/watch_fixture.h"

namespace korvane {
namespace {

const std::string kLocked = "This program locked it's exe file.  Unable to verify checksum.";
const std::string kAutoNotSafe = "Auto terminated per prefs - not in Safe list.";
const std::string kAutoCorrupt = "Auto terminated per prefs - corrupt checksum.";
const std::string kKillListed = "Terminated, found in Kill Processes list.";

// A-Z only, the counterpart of LowerCase.
std::string UpperCase(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        }
    }
    return text;
}

// Executables live in a folder of their own: the fixture's folder is the
// program's, and everything below it is exempt.
class SafeListVerifierTest : public ::testing::Test, public test::WatchFixture {
protected:
    void trust(const std::string& path) { safe.add(test::SafeEntryFor(path)); }

    void verify() {
        engine->snapshot().RefreshTaskListNT();
        engine->verifier().CheckSafeProcessesList();
    }
    std::vector<std::string> dialogItems() const {
        std::vector<std::string> items;
        for (std::size_t i = 0; i < dialog.count(); ++i) {
            items.push_back(dialog.item(i));
        }
        return items;
    }
    static std::string entry(const std::string& path, const ProcessIdentity& id) {
        return path + " [" + std::to_string(id.pid) + "]";
    }

    test::TempFolder bins;
};

TEST_F(SafeListVerifierTest, ExemptProcessesPassWithoutDigestEvenUnderAutoKill) {
    preferences.autoKill = true;
    std::filesystem::create_directories(folder.path() / "tools" / "deep");
    platform.table->start(programPath());
    platform.table->start(folder.file("tools/deep/helper"));
    platform.table->start("C:\\WINDOWS\\system32\\svchost.exe");
    neverKill.add(bins.file("daemon"));
    platform.table->start(bins.file("daemon"));

    // Not exempt: a sibling folder that merely starts like the program's folder.
    const ProcessIdentity sibling = platform.table->start(folder.path().string() + "x/tool");

    verify();
    EXPECT_EQ(platform.terminator->terminated, (std::vector<ProcessIdentity>{sibling}));
    EXPECT_TRUE(platform.executables->probed.empty());
    EXPECT_EQ(logCount(kAutoNotSafe), 1);
    EXPECT_EQ(dialog.count(), 0u);
}

// A Never Kill or filter-list entry exempts the file it names. A piece of it, or the
// same path in other letter case, is another file that someone may be able to make.
TEST_F(SafeListVerifierTest, ExemptionsAreNotBorrowedByAPieceOrACaseVariantOfAnEntry) {
    preferences.autoKill = true;
    neverKill.add(bins.file("tools/backup-agent"));
    const std::vector<ProcessIdentity> borrowers{
        platform.table->start(bins.file("tools/backup")),
        platform.table->start(bins.file("tools/b")),
        platform.table->start(bins.file("tools/Backup-agent")),
        platform.table->start(bins.file("tools/backup-agent ")), // trimmed, it would be the entry
        platform.table->start("C:\\WINDOWS\\SYSTEM32\\SVCHOST.EXE"),
        platform.table->start("C:\\WINDOWS\\system32\\igfx"),
    };
    verify();
    EXPECT_EQ(platform.terminator->terminated, borrowers);
    EXPECT_EQ(logCount(kAutoNotSafe), 6);
}

TEST_F(SafeListVerifierTest, OwnFolderExemptsOnlyPathsThatBeginWithIt) {
    preferences.autoKill = true;
    platform.table->start(folder.file("tools/helper"));
    // Any user can read the program's folder from /proc and rebuild it elsewhere.
    const ProcessIdentity upper = platform.table->start(UpperCase(folder.file("evil")));
    const ProcessIdentity nested = platform.table->start(bins.folder() + folder.folder().substr(1) + "evil");
    // Nor does the program's own path, as text: a copy differing in case, or a file
    // whose path is a prefix of it, is someone else's program.
    const ProcessIdentity ownUpper = platform.table->start(UpperCase(programPath()));
    const ProcessIdentity ownPrefix = platform.table->start(folder.path().string());
    verify();
    EXPECT_EQ(platform.terminator->terminated, (std::vector<ProcessIdentity>{upper, nested, ownUpper, ownPrefix}));
}

TEST_F(SafeListVerifierTest, ProcessThatEndedBeforeItsDigestIsSkipped) {
    preferences.autoKill = true;
    const std::string tool = bins.write("tool", "tool v1");
    safe.add(test::SafeEntry(tool, test::DigestOf(bins.write("decoy", "not the tool"))));
    const ProcessIdentity id = platform.table->start(tool);
    engine->snapshot().RefreshTaskListNT();
    platform.table->end(id);

    engine->verifier().CheckSafeProcessesList();
    EXPECT_TRUE(platform.executables->probed.empty());
    EXPECT_TRUE(platform.terminator->terminated.empty());
    EXPECT_EQ(logText(), "");
    EXPECT_EQ(dialog.count(), 0u);
}

// A shell's child is listed under the shell between its fork and its exec: the image
// it runs by the time it is read is the new program's, which is no corrupt shell.
TEST_F(SafeListVerifierTest, ProcessThatStartedAnotherProgramSinceItWasListedIsNotJudgedByTheOldPath) {
    preferences.autoKillChecksums = true;
    const std::string shell = bins.write("shell", "shell");
    trust(shell);
    const ProcessIdentity child = platform.table->start(shell);
    engine->snapshot().RefreshTaskListNT();
    platform.table->processes.back().path = bins.write("program", "another program");

    engine->verifier().CheckSafeProcessesList();
    EXPECT_TRUE(platform.terminator->terminated.empty());
    EXPECT_EQ(dialog.count(), 0u);
    // Listed anew under what it runs now, it is judged by that.
    verify();
    EXPECT_EQ(dialogItems(), (std::vector<std::string>{entry(bins.file("program"), child) + " [not in Safe list]"}));
}

TEST_F(SafeListVerifierTest, PathWithALineBreakIsNeverExemptByAList) {
    // Joined, the two Never Kill entries hold the path across their line break.
    const std::string spanning = bins.file("x\r\n/usr/sbin/ss");
    neverKill.add(bins.file("x"));
    neverKill.add("/usr/sbin/sshd");
    safe.add(test::SafeEntry(spanning, "0123456789ABCDEF0123456789ABCDEF"));
    const ProcessIdentity id = platform.table->start(spanning);
    verify();
    EXPECT_EQ(dialogItems(), (std::vector<std::string>{entry(spanning, id) + " [not in Safe list]"}));
    EXPECT_TRUE(platform.executables->probed.empty());

    preferences.autoKill = true;
    verify();
    EXPECT_EQ(platform.terminator->terminated, (std::vector<ProcessIdentity>{id}));
}

TEST_F(SafeListVerifierTest, SafeEntryMatchesIgnoringCaseAndItsDigestDecides) {
    const std::string tool = bins.write("Tool", "tool v1");
    safe.add(test::SafeEntry(LowerCase(tool), test::DigestOf(tool)));
    const std::string other = bins.write("other", "other v1");
    // A longer path that contains the process path counts as its entry.
    safe.add(test::SafeEntry(other + ".old", test::DigestOf(other)));
    const std::string moved = bins.write("moved", "moved v1");
    safe.add(test::SafeEntry(moved + ".old", test::DigestOf(other)));
    platform.table->start(tool);
    platform.table->start(other);
    const ProcessIdentity movedId = platform.table->start(moved);

    verify();
    EXPECT_EQ(platform.executables->probed, (std::vector<std::string>{tool, other, moved}));
    EXPECT_EQ(dialogItems(), (std::vector<std::string>{entry(moved, movedId) + " [corrupt checksum]"}));
}

TEST_F(SafeListVerifierTest, LastMatchingSafeEntryDecides) {
    const std::string tool = bins.write("tool", "tool v1");
    const std::string right = test::DigestOf(tool);
    const std::string wrong = test::DigestOf(bins.write("decoy", "something else"));
    // Sorted: "tool     [" comes before "tool2", so "tool2" is the last match.
    safe.add(test::SafeEntry(tool, wrong));
    safe.add(test::SafeEntry(tool + "2", right));
    platform.table->start(tool);
    verify();
    EXPECT_EQ(dialog.count(), 0u);

    safe.clear();
    safe.add(test::SafeEntry(tool, right));
    safe.add(test::SafeEntry(tool + "2", wrong));
    verify();
    ASSERT_EQ(dialog.count(), 1u);
    EXPECT_EQ(dialog.item(0), tool + " [1000] [corrupt checksum]");
}

TEST_F(SafeListVerifierTest, MissingOrAlteredRecordedDigestIsCorrupt) {
    const std::vector<std::string> paths = {bins.write("a", "a"), bins.write("b", "b"), bins.write("c", "c"),
                                            bins.write("d", "d"), bins.write("e", "e")};
    safe.add(paths[0]);                                                       // no brackets at all
    safe.add(paths[1] + "     []");                                           // empty brackets
    safe.add(test::SafeEntry(paths[2], LowerCase(test::DigestOf(paths[2])))); // lower-case digest
    safe.add(test::SafeEntry(paths[3], test::DigestOf(paths[4])));            // another file's digest
    safe.add(test::SafeEntry(paths[4], test::DigestOf(paths[4])) +
             "  trailing text is not looked at"); // still its digest
    for (const std::string& path : paths) {
        platform.table->start(path);
    }

    verify();
    EXPECT_EQ(dialogItems(), (std::vector<std::string>{
                                 paths[0] + " [1000] [corrupt checksum]", paths[1] + " [1001] [corrupt checksum]",
                                 paths[2] + " [1002] [corrupt checksum]", paths[3] + " [1003] [corrupt checksum]"}));
    EXPECT_EQ(logText(), ""); // questioning writes nothing
    EXPECT_EQ(host.logAlerts, 0);
}

TEST_F(SafeListVerifierTest, LockedExecutablePassesAndIsLoggedOnEveryPass) {
    preferences.autoKill = true;
    preferences.autoKillChecksums = true;
    const std::string tool = bins.write("tool", "tool v1");
    safe.add(test::SafeEntry(tool, test::DigestOf(bins.write("decoy", "not the tool"))));
    platform.executables->locked.insert(tool);
    platform.table->start(tool);

    verify();
    verify();
    EXPECT_EQ(logCount(tool + "  " + kLocked + "\r\n"), 2);
    EXPECT_EQ(host.logAlerts, 0);
    EXPECT_TRUE(platform.terminator->terminated.empty());
    EXPECT_EQ(dialog.count(), 0u);
}

// A failing disk or FUSE mount: the probe opens the image, reading it fails. That one
// process waits for the next pass; the others are judged in this one.
TEST_F(SafeListVerifierTest, UnreadableImageIsSkippedForThePassAndTheOthersAreJudged) {
    preferences.autoKillChecksums = true;
    const std::string failing = bins.write("failing", "on a failing disk");
    trust(failing);
    const ProcessIdentity unreadable = platform.table->start(failing);
    // Reading it at offset 0 fails with EIO, a real read error of the kernel.
    platform.executables->images[unreadable.pid] = "/proc/self/mem";
    const std::string gone = bins.write("gone", "gone");
    trust(gone);
    std::filesystem::remove(gone);
    platform.table->start(gone);
    const std::string unknown = bins.file("unknown");
    const ProcessIdentity after = platform.table->start(unknown);

    EXPECT_NO_THROW(verify());
    EXPECT_EQ(dialogItems(), (std::vector<std::string>{entry(unknown, after) + " [not in Safe list]"}));
    EXPECT_EQ(dialog.shows, 1);
    EXPECT_TRUE(platform.terminator->terminated.empty());

    // Readable again, and not what was trusted: judged at the next pass.
    engine->flags().DialogUp = false;
    platform.executables->images[unreadable.pid] = bins.write("replaced", "not the trusted program");
    verify();
    EXPECT_EQ(platform.terminator->terminated, (std::vector<ProcessIdentity>{unreadable}));
    EXPECT_EQ(logCount(failing + "  " + kAutoCorrupt), 1);
}

class AutoKillTest : public SafeListVerifierTest {
protected:
    AutoKillTest() {
        const std::string tool = bins.write("tool", "tool v1");
        safe.add(test::SafeEntry(tool, test::DigestOf(bins.write("decoy", "not the tool"))));
        corrupt = platform.table->start(tool);
        unknown = platform.table->start(bins.write("unknown", "unknown"));
        const std::string good = bins.write("good", "good");
        trust(good);
        platform.table->start(good);
    }
    ProcessIdentity corrupt;
    ProcessIdentity unknown;
};

TEST_F(AutoKillTest, ConfirmedAutoKillTerminatesEveryFailureAsNotInSafeList) {
    preferences.autoKill = true;
    preferences.autoKillChecksums = true;
    verify();
    EXPECT_EQ(platform.terminator->terminated, (std::vector<ProcessIdentity>{corrupt, unknown}));
    EXPECT_EQ(logCount(kAutoNotSafe), 2);
    EXPECT_EQ(logCount(bins.file("tool") + "  " + kAutoNotSafe), 1);
    EXPECT_EQ(logCount("corrupt checksum"), 0);
    EXPECT_EQ(host.logAlerts, 2);
    EXPECT_EQ(host.trayCalls, (std::vector<bool>{false, false}));
    EXPECT_EQ(dialog.count(), 0u);
    EXPECT_EQ(dialog.shows, 0);
}

TEST_F(AutoKillTest, UnconfirmedAutoKillQuestionsInstead) {
    preferences.autoKill = false; // ticked, but the tick was never confirmed
    verify();
    EXPECT_TRUE(platform.terminator->terminated.empty());
    EXPECT_EQ(logText(), "");
    EXPECT_EQ(dialogItems(), (std::vector<std::string>{entry(bins.file("tool"), corrupt) + " [corrupt checksum]",
                                                       entry(bins.file("unknown"), unknown) + " [not in Safe list]"}));
    EXPECT_EQ(dialog.shows, 1);
}

TEST_F(AutoKillTest, ChecksumPreferenceTerminatesOnlyCorruptChecksums) {
    preferences.autoKillChecksums = true;
    verify();
    EXPECT_EQ(platform.terminator->terminated, (std::vector<ProcessIdentity>{corrupt}));
    EXPECT_EQ(logCount(bins.file("tool") + "  " + kAutoCorrupt + "\r\n"), 1);
    EXPECT_EQ(logCount(bins.file("unknown")), 0); // never logged with the checksum text
    EXPECT_EQ(host.logAlerts, 1);
    EXPECT_EQ(dialogItems(), (std::vector<std::string>{entry(bins.file("unknown"), unknown) + " [not in Safe list]"}));
}

TEST_F(AutoKillTest, MissingLogDoesNotStopTheAutomaticKill) {
    preferences.autoKill = true;
    std::filesystem::remove(folder.file("system/KVlog.txt"));
    verify();
    EXPECT_EQ(platform.terminator->terminated, (std::vector<ProcessIdentity>{corrupt, unknown}));
}

TEST_F(SafeListVerifierTest, KillListedProcessesAreNotQuestioned) {
    const std::string bypassed = bins.write("bypassed", "b");
    const std::string enforced = bins.write("enforced", "e");
    const std::string otherCase = bins.write("othercase", "o");
    kill.add(bypassed);
    kill.setChecked(0, true);
    kill.add("enforced"); // a bare name
    kill.add(UpperCase(otherCase));
    platform.table->start(bypassed);
    platform.table->start(enforced);
    const ProcessIdentity otherId = platform.table->start(otherCase);

    verify();
    EXPECT_TRUE(platform.terminator->terminated.empty());
    // The Kill match is case-sensitive, so this one is questioned.
    EXPECT_EQ(dialogItems(), (std::vector<std::string>{entry(otherCase, otherId) + " [not in Safe list]"}));
}

TEST_F(SafeListVerifierTest, AutoKillTerminatesBypassedKillEntries) {
    preferences.autoKill = true;
    const std::string bypassed = bins.write("bypassed", "b");
    kill.add(bypassed);
    kill.setChecked(0, true);
    const ProcessIdentity id = platform.table->start(bypassed);
    verify();
    EXPECT_EQ(platform.terminator->terminated, (std::vector<ProcessIdentity>{id}));
    EXPECT_EQ(logCount(bypassed + "  " + kAutoNotSafe), 1);
}

TEST_F(SafeListVerifierTest, ProcessKilledByTheKillPassIsAttackedAgainUnderAutoKill) {
    preferences.autoKill = true;
    // The process outlives the signal, so each FileKill call reaches it.
    platform.terminator->refuse = true;
    const std::string banned = bins.write("banned", "b");
    kill.add(banned);
    const ProcessIdentity id = platform.table->start(banned);

    engine->Timer1Timer();
    EXPECT_EQ(platform.terminator->terminated, (std::vector<ProcessIdentity>{id, id}));
    EXPECT_EQ(logCount(banned + "  " + kKillListed), 1);
    EXPECT_EQ(logCount(banned + "  " + kAutoNotSafe), 1);
    // Newest first: the verification's line lies above the Kill pass's.
    EXPECT_LT(logText().find(kAutoNotSafe), logText().find(kKillListed));
}

TEST_F(SafeListVerifierTest, TwoCopiesAreListedTwiceEachWithItsIdentity) {
    const std::string tool = bins.write("tool", "t");
    const ProcessIdentity first = platform.table->start(tool);
    const ProcessIdentity second = platform.table->start(tool);
    verify();
    ASSERT_EQ(dialog.entries.size(), 2u);
    EXPECT_EQ(dialog.entries[0].first, entry(tool, first) + " [not in Safe list]");
    EXPECT_EQ(dialog.entries[0].second.id, first);
    EXPECT_EQ(dialog.entries[1].first, entry(tool, second) + " [not in Safe list]");
    EXPECT_EQ(dialog.entries[1].second.id, second);
}

TEST_F(SafeListVerifierTest, NestedPassAddsNoListedProcessUnderEitherReason) {
    const std::string unknown = bins.write("unknown", "u");
    const std::string tool = bins.write("tool", "t");
    const std::string wrong = test::DigestOf(bins.write("decoy", "d"));
    safe.add(test::SafeEntry(tool, wrong));
    const ProcessIdentity unknownId = platform.table->start(unknown);
    const ProcessIdentity toolId = platform.table->start(tool);
    std::string late;
    dialog.whileShown = [&] {
        EXPECT_TRUE(engine->flags().DialogUp);
        // Each listed process would now fail for the other reason.
        safe.clear();
        safe.add(test::SafeEntry(unknown, wrong));
        late = bins.write("late", "l");
        platform.table->start(late);
        verify();
        verify();
    };

    verify();
    EXPECT_EQ(dialog.shows, 1);
    EXPECT_EQ(host.hides, 1);
    EXPECT_EQ(dialogItems(), (std::vector<std::string>{entry(unknown, unknownId) + " [not in Safe list]",
                                                       entry(tool, toolId) + " [corrupt checksum]",
                                                       late + " [1002] [not in Safe list]"}));
    EXPECT_FALSE(engine->flags().DialogUp);
}

TEST_F(SafeListVerifierTest, AddQuestionableKnowsALineByThePathAndIdentityItWasMadeFrom) {
    const std::string tool = bins.write("tool", "t");
    const ProcessIdentity id = platform.table->start(tool);
    verify();
    ASSERT_EQ(dialog.count(), 1u);
    // What the line reads plays no part.
    dialog.entries[0].first = "anything";

    engine->verifier().AddQuestionable({entry(tool, id), tool, id}, " [corrupt checksum]");
    EXPECT_EQ(dialog.count(), 1u);
    const SnapshotEntry otherCopy{tool + " [10001]", tool, {10001, 7}};
    engine->verifier().AddQuestionable(otherCopy, " [corrupt checksum]");
    const SnapshotEntry reusedPid{entry(tool, id), tool, {id.pid, id.startTime + 1}};
    engine->verifier().AddQuestionable(reusedPid, " [not in Safe list]");
    ASSERT_EQ(dialog.count(), 3u);
    EXPECT_EQ(dialog.entries[1].first, tool + " [10001] [corrupt checksum]");
    EXPECT_EQ(dialog.entries[1].second.id, otherCopy.id);
    EXPECT_EQ(dialog.entries[2].second.id, reusedPid.id);
}

TEST_F(SafeListVerifierTest, PathHoldingAReasonTextIsListedOnce) {
    const std::string odd = bins.write("odd [not in Safe list]", "o");
    const std::string odder = bins.write("odder [corrupt checksum] [1002]", "o");
    const ProcessIdentity oddId = platform.table->start(odd);
    const ProcessIdentity odderId = platform.table->start(odder);
    dialog.whileShown = [&] {
        verify();
        verify();
    };
    verify();
    EXPECT_EQ(dialogItems(), (std::vector<std::string>{entry(odd, oddId) + " [not in Safe list]",
                                                       entry(odder, odderId) + " [not in Safe list]"}));
}

TEST_F(SafeListVerifierTest, AlarmPlaysBeforeTheWindowHidesAndTheDialogShows) {
    preferences.alarm = true;
    std::vector<std::string> events;
    platform.sound->onPlay = [&] { events.push_back("alarm"); };
    host.onHide = [&] { events.push_back("hide"); };
    dialog.whileShown = [&] { events.push_back("show"); };
    platform.table->start(bins.write("unknown", "u"));

    verify();
    EXPECT_EQ(events, (std::vector<std::string>{"alarm", "hide", "show"}));
    EXPECT_EQ(platform.sound->played, (std::vector<std::string>{folder.file("Alarm1.wav")}));
}

TEST_F(SafeListVerifierTest, DialogOpensOnlyWithItemsAndOnlyWhenNotAlreadyUp) {
    const std::string tool = bins.write("tool", "t");
    trust(tool);
    platform.table->start(tool);
    verify();
    EXPECT_EQ(dialog.shows, 0);
    EXPECT_EQ(host.hides, 0);

    // Items the user left in the list open it again, though nothing new failed.
    dialog.append("/opt/left [77] [not in Safe list]", {"/opt/left [77]", "/opt/left", {77, 1}});
    verify();
    EXPECT_EQ(dialog.shows, 1);
    EXPECT_EQ(host.hides, 1);

    preferences.alarm = true;
    engine->flags().DialogUp = true;
    platform.table->start(bins.write("unknown", "u"));
    verify();
    EXPECT_EQ(dialog.count(), 2u);
    EXPECT_EQ(dialog.shows, 1);
    EXPECT_EQ(host.hides, 1);
    EXPECT_TRUE(platform.sound->played.empty());
}

} // namespace
} // namespace korvane

namespace korvane {
namespace {

// A "[" inside a path must neither widen the exemptions (the text before it
// could be a prefix of an exempt path) nor hide the recorded checksum.
TEST_F(SafeListVerifierTest, BracketInsideAPathIsPartOfThePath) {
    const std::string programFolder = folder.folder();
    const std::string prefix = programFolder.substr(0, programFolder.size() - 2);
    std::filesystem::create_directories(prefix + "[x]");
    const std::string sneaky = prefix + "[x]/evil";
    test::WriteFileBytes(sneaky, "evil");
    const ProcessIdentity sneakyId = platform.table->start(sneaky);

    const std::string bracketed = bins.write("tool[2]", "tool");
    trust(bracketed);
    platform.table->start(bracketed);

    verify();
    EXPECT_EQ(dialogItems(), (std::vector<std::string>{entry(sneaky, sneakyId) + " [not in Safe list]"}));
    std::filesystem::remove_all(prefix + "[x]");
}

// What the lists said about a path is remembered between passes, but only while
// neither the Safe nor the Never Kill list changes.
TEST_F(SafeListVerifierTest, ListsEditedBetweenPassesAreSearchedAgain) {
    const std::string a = bins.write("a", "program a");
    const std::string c = bins.write("c", "program c");
    trust(a);
    const ProcessIdentity idA = platform.table->start(a);
    verify();
    verify();
    EXPECT_TRUE(dialogItems().empty());

    safe.clear();
    safe.add(test::SafeEntry(a, test::DigestOf(c)));
    neverKill.add(c);
    const ProcessIdentity idC = platform.table->start(c);
    verify();
    EXPECT_EQ(dialogItems(), (std::vector<std::string>{entry(a, idA) + " [corrupt checksum]"}));

    // Taken off the Never Kill list, the same running path is questioned.
    neverKill.remove(neverKill.count() - 1);
    verify();
    EXPECT_EQ(dialogItems(),
              (std::vector<std::string>{entry(a, idA) + " [corrupt checksum]", entry(c, idC) + " [not in Safe list]"}));
}

} // namespace
} // namespace korvane
