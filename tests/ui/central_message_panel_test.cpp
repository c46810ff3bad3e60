#include "ui/central_message_panel.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <QCheckBox>
#include <QMouseEvent>

#include "engine/checksums.h"
#include "store/data_seal.h"
#include "tests/support/safe_entries.h"
#include "tests/support/version_fixture_files.h"
#include "tests/ui/main_window_fixture.h"

namespace korvane {
namespace {

using test::WriteFileBytes;

const QString kAutoKillQuestion = QStringLiteral(
    "[KORVANE - Auto Kill unknown processes without prompting.] This option can be dangerous if you do not know if "
    "all of the OS files that are usually executed are in your 'Safe Processes' list.  Are you sure that you want to "
    "check this option?");

QString MicrosoftWarning(const QString& list) {
    return QStringLiteral("The file you are attempting to removed from the '%1' list claims to be a Microsoft file "
                          "according to the files volume information.  This information, however, can and may be "
                          "spoofed.  If this file is a genuine Microsoft file, the operating system may not function "
                          "properly upon removing the file.  This program may also Kill, or ask to Kill the program "
                          "upon its removable if it is currently running.  Are you sure that you want to remove this "
                          "file from the '%1' list?")
        .arg(list);
}

class CentralMessagePanelTest : public test::MainWindowTest {
protected:
    CentralMessagePanel& panel() { return static_cast<CentralMessagePanel&>(form().messagePanel()); }
    QWidget* outer() { return child("CentralMsgLabelPanel1"); }
    bool visible(const char* name) { return !child(name)->isHidden(); }
    bool panelsLocked() {
        for (const char* name : {"Panel1", "Panel13", "Panel4", "Panel15", "Panel16"}) {
            if (child(name)->isEnabled()) {
                return false;
            }
        }
        return true;
    }
    void trigger(const char* menuItem) { child<QAction>(menuItem)->trigger(); }
    void highlight(const char* list, const std::string& entry) {
        child<TTextListBox>(list)->setCurrentRow(rowOf(list, entry));
    }
};

TEST_F(CentralMessagePanelTest, ANoticeHasOneButtonLocksThePanelsAndPutsThePointerOnIt) {
    shownForm();
    form().messagePanel().CentralMessagesRtn(QStringLiteral("<OK>Saved."));
    EXPECT_EQ(message(), QStringLiteral("Saved."));
    EXPECT_TRUE(visible("CentralMsgLabelButtonOK"));
    EXPECT_FALSE(visible("CentralMsgLabelButtonYes"));
    EXPECT_FALSE(visible("CentralMsgLabelButtonNo"));
    EXPECT_TRUE(panelsLocked());
    EXPECT_TRUE(child("PrefButton2")->isEnabled());
    EXPECT_EQ(pointerOn("CentralMsgLabelButtonOK"), QPoint(36, 11));

    press("CentralMsgLabelButtonOK");
    EXPECT_FALSE(message());
    EXPECT_EQ(child<QLabel>("CentralMsgLabel")->text(), QString());
    EXPECT_FALSE(panelsLocked());
    EXPECT_TRUE(child("Panel4")->isEnabled());
    // The next question has Yes and No again.
    press("EncartaButton2");
    EXPECT_TRUE(visible("CentralMsgLabelButtonYes"));
    EXPECT_TRUE(visible("CentralMsgLabelButtonNo"));
    EXPECT_FALSE(visible("CentralMsgLabelButtonOK"));
}

TEST_F(CentralMessagePanelTest, ANoticeShowsAtMost255Characters) {
    shownForm();
    const QString text(300, u'n');
    form().messagePanel().CentralMessagesRtn(QStringLiteral("<OK>") + text);
    EXPECT_EQ(message(), text.left(255));
}

TEST_F(CentralMessagePanelTest, TwoCallsMakeOneMessageLaidOutAroundTheLabel) {
    shownForm();
    form().messagePanel().CentralMessagesRtn(QStringLiteral("First part, "));
    form().messagePanel().CentralMessagesRtn(QStringLiteral("and the second part of a question long enough to wrap "
                                                            "over several lines of the panel's label."));
    panel().OpenQuestionPanel();
    EXPECT_EQ(message(),
              QStringLiteral("First part, and the second part of a question long enough to wrap over several "
                             "lines of the panel's label."));
    const int label = child("CentralMsgLabel")->height();
    EXPECT_GT(label, 2 * child("CentralMsgLabel")->fontMetrics().height());
    EXPECT_EQ(child("CentralMsgLabelPanel2")->height(), label + 80);
    EXPECT_EQ(outer()->height(), label + 87);
    for (const char* button : {"CentralMsgLabelButtonYes", "CentralMsgLabelButtonNo", "CentralMsgLabelButtonOK"}) {
        EXPECT_EQ(child(button)->y(), label + 80 - 27) << button;
    }
    // Centred on the window's outer size, 785 x 542 folded.
    EXPECT_EQ(outer()->pos(), QPoint(785 / 2 - 310 / 2, 542 / 2 - outer()->height() / 2));
    // The pointer rests in the gap between Yes and No.
    EXPECT_EQ(pointerOn("CentralMsgLabelButtonYes"), QPoint(73, 11));
    EXPECT_TRUE(panelsLocked());
}

TEST_F(CentralMessagePanelTest, ThePanelIsDraggedWithinTheWindow) {
    shownForm();
    form().messagePanel().CentralMessagesRtn(QStringLiteral("<OK>Move me."));
    const QPoint start = outer()->pos();
    QWidget* title = child("CentralMsgLabelLabelWarning");
    QTest::mousePress(title, Qt::LeftButton, {}, QPoint(5, 5));
    QMouseEvent move(QEvent::MouseMove, QPointF(25, -5), title->mapToGlobal(QPointF(25, -5)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(title, &move);
    QTest::mouseRelease(title, Qt::LeftButton, {}, QPoint(25, -5));
    EXPECT_EQ(outer()->pos(), start + QPoint(20, -10));

    // Never beyond the window's edge.
    QTest::mousePress(title, Qt::LeftButton, {}, QPoint(5, 5));
    QMouseEvent far(QEvent::MouseMove, QPointF(-2000, -2000), title->mapToGlobal(QPointF(-2000, -2000)), Qt::NoButton,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(title, &far);
    QTest::mouseRelease(title, Qt::LeftButton, {}, QPoint(-2000, -2000));
    EXPECT_EQ(outer()->pos(), QPoint(0, 0));
}

TEST_F(CentralMessagePanelTest, TheRestoredCheckBox1ClickIsIgnoredAndAUserClickAsks) {
    settings("CheckBox1.Checked=TRUE\r\nParmEdit.Text=010000000000000000000000000\r\n");
    shownForm();
    EXPECT_FALSE(message()); // the restore's click asked nothing
    EXPECT_TRUE(form().autoKillUnknown());
    EXPECT_EQ(child("CheckBox1")->palette().color(QPalette::Window), QColor(255, 0, 0));

    auto* box = child<QCheckBox>("CheckBox1");
    box->click(); // unchecked: no question, beige at once
    EXPECT_FALSE(message());
    EXPECT_FALSE(form().autoKillUnknown());
    for (const char* part : {"CheckBox1", "Label1", "Panel6"}) {
        EXPECT_EQ(child(part)->palette().color(QPalette::Window), QColor(0xE7, 0xDF, 0xAD)) << part;
    }

    box->click();
    EXPECT_EQ(message(), kAutoKillQuestion);
    EXPECT_EQ(panel().pendingSender(), box);
    EXPECT_FALSE(form().autoKillUnknown()); // not before Yes
    press("CentralMsgLabelButtonNo");
    EXPECT_FALSE(message());
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(box->palette().color(QPalette::Window), QColor(0xE7, 0xDF, 0xAD));

    box->click();
    press("CentralMsgLabelButtonYes");
    EXPECT_FALSE(message());
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(form().autoKillUnknown());
    for (const char* part : {"CheckBox1", "Label1", "Panel6"}) {
        EXPECT_EQ(child(part)->palette().color(QPalette::Window), QColor(255, 0, 0)) << part;
    }
    EXPECT_EQ(child("Label1")->palette().color(QPalette::WindowText), QColor(255, 255, 0));
    EXPECT_EQ(panel().pendingSender(), nullptr);
}

TEST_F(CentralMessagePanelTest, WithTheRegistryFullNoClickIsIgnored) {
    std::vector<std::unique_ptr<QObject>> others;
    for (int slot = 0; slot < CentralMessagePanel::kRegistrySlots; ++slot) {
        others.push_back(std::make_unique<QObject>());
        ASSERT_TRUE(form().firstEvents().RegisterFirstEvent(others.back().get()));
    }
    EXPECT_FALSE(form().firstEvents().RegisterFirstEvent(child("CheckBox1")));
    EXPECT_FALSE(form().firstEvents().RegisterFirstEvent(others.front().get()));
    form().show();
    child<QCheckBox>("CheckBox1")->click();
    EXPECT_EQ(message(), kAutoKillQuestion);
}

TEST_F(CentralMessagePanelTest, AnyAnswerHidesTheFileInformationPanel) {
    shownForm();
    child("Panel17")->show();
    press("EncartaButton2");
    EXPECT_TRUE(child("Panel17")->isHidden());
}

TEST_F(CentralMessagePanelTest, ClosingLeavesTheLockedPreferencesLocked) {
    shownForm();
    child<QCheckBox>("CheckBox9")->setChecked(true);
    press("EncartaButton1");
    press("CentralMsgLabelButtonNo");
    EXPECT_TRUE(child("Panel1")->isEnabled());
    EXPECT_TRUE(child("Panel16")->isEnabled());
    EXPECT_FALSE(child("Panel4")->isEnabled());
}

class RemovalQuestionTest : public CentralMessagePanelTest {
protected:
    // A Safe-listed program outside the program's folder, running, made from a fixture.
    std::string program(const char* fixture) {
        const std::string path = elsewhere.file(fixture);
        WriteFileBytes(path, test::VersionFixtureBytes(fixture, "x64"));
        return path;
    }
    test::TempFolder elsewhere;
};

TEST_F(RemovalQuestionTest, ACompanyClaimingMicrosoftIsWarnedAboutElseThePlainQuestion) {
    const std::string microsoft = program("ansi_english");
    const std::string plain = program("unicode_neutral");
    const std::string noVersion = elsewhere.file("script");
    WriteFileBytes(noVersion, "#!/bin/sh\n");
    const auto safeEntry = [](const std::string& path) { return path + "     [00000000000000000000000000000000]"; };
    storeLists({safeEntry(microsoft), safeEntry(plain), safeEntry(noVersion)}, {},
               {"   ", microsoft, noVersion, "/usr/lib/systemd/systemd"});
    shownForm();
    press("PrefButton2");

    highlight("TextListBox2", safeEntry(microsoft));
    trigger("DeleteFocusedSafeProcess1");
    EXPECT_EQ(message(), MicrosoftWarning(QStringLiteral("Safe")));
    press("CentralMsgLabelButtonNo");
    for (const std::string& path : {plain, noVersion}) {
        highlight("TextListBox2", safeEntry(path));
        trigger("DeleteFocusedSafeProcess1");
        EXPECT_EQ(message(), QStringLiteral("Remove the highlighted file from the 'Safe' list?")) << path;
        press("CentralMsgLabelButtonNo");
    }
    EXPECT_EQ(lines("TextListBox2").size(), 3u);

    highlight("TextListBox4", microsoft);
    trigger("DeleteFocusedNeverKillProcess1");
    EXPECT_EQ(message(), MicrosoftWarning(QStringLiteral("Never Kill")));
    press("CentralMsgLabelButtonNo");
    highlight("TextListBox4", noVersion);
    trigger("DeleteFocusedNeverKillProcess1");
    EXPECT_EQ(message(), QStringLiteral("Remove the highlighted file from the 'Never Kill' list?"));
    press("CentralMsgLabelButtonYes");
    EXPECT_FALSE(message());
    EXPECT_EQ(lines("TextListBox4"), (std::vector<std::string>{microsoft, "/usr/lib/systemd/systemd"}));
}

// A removed entry's program is verified at once when the watch runs and the other
// list does not cover it: with unknown programs killed automatically, it ends.
TEST_F(RemovalQuestionTest, YesRemovesAndChecksTheProgramAtOnce) {
    const std::string covered = program("unicode_neutral");
    const std::string uncovered = program("no_version");
    storeLists({test::SafeEntryFor(covered), test::SafeEntryFor(uncovered)}, {},
               {"   ", covered, "/usr/lib/systemd/systemd"});
    settings("CheckBox7.Checked=FALSE\r\nCheckBox1.Checked=TRUE\r\nParmEdit.Text=010000000000000000000000000\r\n");
    platform.table->start("/usr/lib/systemd/systemd");
    const auto coveredRun = platform.table->start(covered);
    const auto uncoveredRun = platform.table->start(uncovered);
    shownForm();
    form().Timer1Timer();
    ASSERT_TRUE(platform.table->running(uncoveredRun));

    highlight("TextListBox2", test::SafeEntryFor(covered));
    trigger("DeleteFocusedSafeProcess1");
    press("CentralMsgLabelButtonYes");
    EXPECT_EQ(lines("TextListBox2"), std::vector<std::string>{test::SafeEntryFor(uncovered)});
    EXPECT_TRUE(platform.table->running(coveredRun)); // still on the Never Kill list

    highlight("TextListBox2", test::SafeEntryFor(uncovered));
    trigger("DeleteFocusedSafeProcess1");
    press("CentralMsgLabelButtonNo");
    EXPECT_EQ(lines("TextListBox2").size(), 1u);
    trigger("DeleteFocusedSafeProcess1");
    press("CentralMsgLabelButtonYes");
    EXPECT_TRUE(lines("TextListBox2").empty());
    EXPECT_FALSE(platform.table->running(uncoveredRun));
}

TEST_F(RemovalQuestionTest, WithoutAHighlightedEntryThePanelAsksNothingAndRemovesNothing) {
    storeLists({"/opt/a     [00000000000000000000000000000000]"}, {}, {"   ", "/usr/lib/systemd/systemd"});
    shownForm();
    child<TTextListBox>("TextListBox2")->setCurrentRow(-1);
    trigger("DeleteFocusedSafeProcess1");
    EXPECT_EQ(message(), QString());
    press("CentralMsgLabelButtonYes");
    EXPECT_FALSE(message());
    EXPECT_EQ(lines("TextListBox2").size(), 1u);
}

class CopyAllQuestionTest : public CentralMessagePanelTest {};

TEST_F(CopyAllQuestionTest, YesAddsEveryCurrentProgramButTheOwnWithItsDigest) {
    const test::TempFolder elsewhere;
    const std::string tool = elsewhere.file("tool");
    WriteFileBytes(tool, "abc");
    platform.table->start(tool);
    platform.table->start(files.executable);
    shownForm();
    press("EncartaButton1");
    EXPECT_EQ(message(), QStringLiteral("Copy all processes from 'Current Processes' to 'Safe Processes'?"));
    press("CentralMsgLabelButtonNo");
    EXPECT_TRUE(lines("TextListBox2").empty());

    press("EncartaButton1");
    press("CentralMsgLabelButtonYes");
    EXPECT_FALSE(message());
    EXPECT_EQ(lines("TextListBox2"), std::vector<std::string>{tool + "     [900150983CD24FB0D6963F7D28E17F72]"});
}

TEST_F(CopyAllQuestionTest, AnUndigestibleEntryStopsTheCopyWithTheQuestionOpen) {
    const test::TempFolder elsewhere;
    const std::string first = elsewhere.file("a-first");
    const std::string gone = elsewhere.file("b-gone");
    const std::string last = elsewhere.file("c-last");
    WriteFileBytes(first, "abc");
    WriteFileBytes(last, "abc");
    platform.table->start(first);
    const auto goneRun = platform.table->start(gone); // no file: nothing to digest
    platform.table->start(last);
    shownForm();
    press("EncartaButton1");
    press("CentralMsgLabelButtonYes");
    EXPECT_EQ(lines("TextListBox2"), std::vector<std::string>{first + "     [900150983CD24FB0D6963F7D28E17F72]"});
    EXPECT_EQ(message(), QStringLiteral("Copy all processes from 'Current Processes' to 'Safe Processes'?"));
    EXPECT_TRUE(panelsLocked());

    // Answered again once the program has ended and left the Current list.
    platform.table->end(goneRun);
    form().engine().flags().ForceCheck = true;
    form().Timer1Timer();
    press("CentralMsgLabelButtonYes");
    EXPECT_FALSE(message());
    EXPECT_EQ(lines("TextListBox2"), (std::vector<std::string>{first + "     [900150983CD24FB0D6963F7D28E17F72]",
                                                               last + "     [900150983CD24FB0D6963F7D28E17F72]"}));
}

class QuitQuestionTest : public CentralMessagePanelTest {};

TEST_F(QuitQuestionTest, NoKeepsTheProgramYesClosesItWithThePanelStillOpen) {
    shownForm();
    int ends = 0;
    QObject::connect(&form(), &TForm1::endProgram, [&ends] { ++ends; });
    press("EncartaButton2");
    EXPECT_EQ(message(), QString(20, u' ') + QStringLiteral("Quit Korvane?") + QString(26, u' '));
    press("CentralMsgLabelButtonNo");
    EXPECT_FALSE(message());
    EXPECT_TRUE(form().isVisible());
    EXPECT_FALSE(form().close()); // still not confirmed

    press("EncartaButton2");
    press("CentralMsgLabelButtonYes");
    EXPECT_TRUE(form().isHidden());
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(outer()->isHidden());
    EXPECT_TRUE(CheckDataSeal(files).passed());
}

TEST_F(QuitQuestionTest, AFailedSaveReplacesTheQuestionByANotice) {
    shownForm();
    std::filesystem::remove(files.listTemp);
    std::filesystem::create_directories(files.listTemp + "/blocker");
    press("EncartaButton2");
    press("CentralMsgLabelButtonYes");
    EXPECT_TRUE(form().isVisible());
    EXPECT_EQ(message(), QStringLiteral("The Korvane data files could not be saved, so Korvane stays open.  The "
                                        "activity log names the file that failed.  Correct the problem, then quit "
                                        "again."));
    EXPECT_TRUE(visible("CentralMsgLabelButtonOK"));
    press("CentralMsgLabelButtonOK");
    std::filesystem::remove_all(files.listTemp);
    EXPECT_FALSE(form().close()); // the quit is no longer confirmed
    press("EncartaButton2");
    press("CentralMsgLabelButtonYes");
    EXPECT_TRUE(form().isHidden());
}

} // namespace
} // namespace korvane
