#include "ui/questionable_form.h"

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QTimer>

#include "tests/support/version_fixture_files.h"
#include "tests/ui/main_window_fixture.h"

namespace korvane {
namespace {

using Strings = std::vector<std::string>;

const std::string kAbc = "     [900150983CD24FB0D6963F7D28E17F72]";

// The dialog of the real main window over the fake platform.
class QuestionableFormTest : public test::MainWindowTest {
protected:
    TForm2& dialog() { return form().questionableDialog(); }
    template <class T = QWidget> T* part(const char* name) {
        T* found = dialog().findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    // Lists a running process of `path` as Safe-list verification would.
    ProcessIdentity question(const std::string& path) {
        const ProcessIdentity id = platform.table->start(path);
        const std::string entry = path + " [" + std::to_string(id.pid) + "]";
        dialog().append(entry + " [not in Safe list]", {entry, path, id});
        return id;
    }
    void check(int row) { dialog().entryList().item(row)->setCheckState(Qt::Checked); }
    void activateDialog() {
        QEvent activation(QEvent::WindowActivate);
        QApplication::sendEvent(&dialog(), &activation);
    }
    // The modal box shown while `action` runs, answered at once; its text, or nothing.
    std::optional<QString> messageBoxDuring(const std::function<void()>& action) {
        std::optional<QString> shown;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown = box->text();
                box->accept();
            }
        });
        probe.start(10);
        action();
        return shown;
    }

    test::TempFolder elsewhere;
};

TEST_F(QuestionableFormTest, LooksAsDesigned) {
    EXPECT_EQ(dialog().windowTitle(), QStringLiteral("Korvane (Questionable Processes)"));
    EXPECT_EQ(dialog().size(), QSize(481, 166));
    EXPECT_EQ(dialog().minimumSize(), dialog().maximumSize());
    EXPECT_TRUE(dialog().windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(dialog().windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(dialog().palette().color(QPalette::Window), QColor(0xE7, 0xDF, 0xAD));
    TTextListBox& list = dialog().entryList();
    EXPECT_EQ(list.geometry(), QRect(0, 0, 481, 97));
    EXPECT_EQ(list.palette().color(QPalette::Base), QColor(Qt::white));
    EXPECT_EQ(list.palette().color(QPalette::Text), QColor(0, 0, 0x80));
    EXPECT_EQ(list.font().family(), QStringLiteral("Verdana"));
    EXPECT_EQ(part("Panel1")->size(), QSize(9, 7));

    auto* kill = part<TEncartaButton>("EncartaButton1");
    EXPECT_EQ(kill->caption(), QStringLiteral("KILL CHECKED IMMEDIATELY"));
    EXPECT_EQ(kill->size(), QSize(466, 29));
    EXPECT_EQ(kill->color(), QColor(255, 0, 0));
    EXPECT_EQ(kill->fontColor(), QColor(255, 255, 0));
    EXPECT_TRUE(kill->font().bold());
    auto* keep = part<TEncartaButton>("EncartaButton2");
    EXPECT_EQ(keep->caption(), QStringLiteral("Continue executing checked and list in Safe Processes"));
    EXPECT_EQ(keep->size(), QSize(465, 29));
    EXPECT_GT(keep->y(), kill->y() + kill->height() - 1);
    EXPECT_EQ(keep->colorOver(), QColor(0xDF, 0xBF, 0x73));

    const QList<QAction*> items = part<QMenu>("PopupMenu1")->actions();
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0]->text(), QStringLiteral("Display file information"));
}

TEST_F(QuestionableFormTest, ActivationClearsTheWindowsPanelsAndTakesBackAnUnconfirmedAutoKill) {
    shownForm();
    form().messagePanel().CentralMessagesRtn(QStringLiteral("<OK>A notice left open"));
    child("Panel11")->show();
    child("Panel17")->show();
    child<QCheckBox>("CheckBox1")->setChecked(true); // ticked, never confirmed
    question("/opt/a");
    dialog().entryList().setToolTip(QStringLiteral("/opt/a"));
    activateDialog();

    EXPECT_EQ(message(), std::nullopt);
    EXPECT_TRUE(child("Panel11")->isHidden());
    EXPECT_TRUE(child("Panel17")->isHidden());
    EXPECT_EQ(form().findChild<CentralMessagePanel*>()->pendingSender(), nullptr);
    EXPECT_TRUE(child("Panel1")->isEnabled());
    EXPECT_FALSE(child<QCheckBox>("CheckBox1")->isChecked());
    EXPECT_TRUE(dialog().entryList().toolTip().isEmpty());
    EXPECT_EQ(dialog().focusWidget(), part("Panel1"));

    // The next question has its Yes and No, not the notice's OK.
    press("EncartaButton1");
    EXPECT_FALSE(child("CentralMsgLabelButtonYes")->isHidden());
    EXPECT_TRUE(child("CentralMsgLabelButtonOK")->isHidden());
}

TEST_F(QuestionableFormTest, ASelectedLineBecomesTheHint) {
    question("/opt/a");
    question("/opt/b/" + std::string(80, 'x'));
    TTextListBox& list = dialog().entryList();
    list.resize(481, 97);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(1)).center());
    EXPECT_EQ(list.toolTip().toStdString(), dialog().item(1));
}

TEST_F(QuestionableFormTest, AdmittedLinesCarryTheDigestOfTheImageTheyRun) {
    const std::string tool = elsewhere.file("tool");
    test::WriteFileBytes(tool, "abc");
    const std::string started = elsewhere.file("tool-as-started");
    test::WriteFileBytes(started, "abc");
    const ProcessIdentity id = question(tool);
    platform.executables->images[id.pid] = started;
    test::WriteFileBytes(tool, "swapped while the dialog was up");
    question("/opt/undecided");
    check(0);
    QTest::mouseClick(part<TEncartaButton>("EncartaButton2"), Qt::LeftButton);
    EXPECT_EQ(lines("TextListBox2"), Strings{tool + kAbc});
    EXPECT_EQ(dialog().count(), 1u);
    EXPECT_TRUE(platform.table->running(id));
}

TEST_F(QuestionableFormTest, AnUndigestibleFileEndsTheButtonLeavingTheLinesNotYetHandled) {
    const std::string first = elsewhere.file("first");
    const std::string last = elsewhere.file("last");
    test::WriteFileBytes(first, "abc");
    test::WriteFileBytes(last, "abc");
    question(first);
    question(elsewhere.file("missing"));
    question(last);
    for (int row = 0; row < 3; ++row) {
        check(row);
    }
    form().engine().flags().DialogUp = true;
    QTest::mouseClick(part<TEncartaButton>("EncartaButton2"), Qt::LeftButton);
    EXPECT_EQ(lines("TextListBox2"), Strings{last + kAbc});
    EXPECT_EQ(dialog().count(), 2u);
    EXPECT_EQ(dialog().entry(0).path, first);
    EXPECT_TRUE(form().engine().flags().DialogUp); // not closed
}

TEST_F(QuestionableFormTest, ClosingWithAutoKillTickedCleansTheSafeListAndRaisesTheMessagePanel) {
    storeLists({"/opt/a" + kAbc, "/opt/A" + kAbc, "/opt/a" + kAbc, "/opt/b" + kAbc}, {},
               {"   ", "/usr/lib/systemd/systemd"});
    shownForm();
    form().hide();
    child<QCheckBox>("CheckBox1")->setChecked(true);
    question("/opt/left");
    child("Panel17")->raise();
    form().engine().flags().DialogUp = true;
    dialog().close();
    EXPECT_FALSE(form().engine().flags().DialogUp);
    EXPECT_TRUE(form().isVisible());
    // "/opt/A" is another file than "/opt/a": only the exact duplicate goes.
    EXPECT_EQ(lines("TextListBox2"), (Strings{"/opt/a" + kAbc, "/opt/A" + kAbc, "/opt/b" + kAbc}));
    EXPECT_EQ(form().children().back(), child("CentralMsgLabelPanel1"));
    EXPECT_EQ(dialog().count(), 1u); // kept for the next showing
}

TEST_F(QuestionableFormTest, FileInformationOfTheSelectedLineInAMessageBox) {
    const std::string file = elsewhere.file("versioned");
    test::WriteFileBytes(file, test::VersionFixtureBytes("ansi_english", "x86"));
    question(file);
    const auto display = [this] { part<QAction>("DisplayFileInformation1")->trigger(); };
    dialog().entryList().setCurrentRow(-1);
    EXPECT_EQ(messageBoxDuring(display), std::nullopt);

    dialog().entryList().setCurrentRow(0);
    const std::optional<QString> shown = messageBoxDuring(display);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->split(u'\n').size(), 10);
    EXPECT_TRUE(shown->startsWith(QStringLiteral("Company name: MICROSOFT Corporation and friends")));
}

TEST_F(QuestionableFormTest, KillCheckedTerminatesListsAndLogsOnlyCheckedLines) {
    const auto a = platform.table->start("/opt/a");
    const auto b = platform.table->start("/opt/b");
    dialog().append("/opt/a [1001] [not in Safe list]", {"/opt/a [1001]", "/opt/a", a});
    dialog().append("/opt/b [1002] [not in Safe list]", {"/opt/b [1002]", "/opt/b", b});
    check(0);
    dialog().EncartaButton1Click();

    EXPECT_FALSE(platform.table->running(a));
    EXPECT_TRUE(platform.table->running(b));
    EXPECT_EQ(lines("CheckListBox3"), (std::vector<std::string>{"/opt/a"}));
    ASSERT_EQ(dialog().count(), 1u);
    EXPECT_EQ(dialog().item(0), "/opt/b [1002] [not in Safe list]");
    EXPECT_NE(
        test::ReadFileBytes(folder.file("system/KVlog.txt")).find("/opt/a  Terminated by user, placed in Kill list."),
        std::string::npos);
}

TEST_F(QuestionableFormTest, TwoCopiesKilledTogetherLeaveOneKillEntry) {
    form().killPane().add("/opt/a");
    form().killPane().add("/opt/x");
    const auto a1 = platform.table->start("/opt/a");
    const auto a2 = platform.table->start("/opt/a");
    dialog().append("/opt/a [1001] [not in Safe list]", {"/opt/a [1001]", "/opt/a", a1});
    dialog().append("/opt/a [1002] [not in Safe list]", {"/opt/a [1002]", "/opt/a", a2});
    check(0);
    check(1);
    dialog().EncartaButton1Click();
    // The older, non-neighbouring duplicate stays.
    EXPECT_EQ(lines("CheckListBox3"), (std::vector<std::string>{"/opt/a", "/opt/x", "/opt/a"}));
    EXPECT_EQ(platform.terminator->terminated, (std::vector<ProcessIdentity>{a2, a1}));
}

TEST_F(QuestionableFormTest, ContinueListsCheckedProgramsWithTheirChecksums) {
    const std::string program = folder.file("tool");
    test::WriteFileBytes(program, "abc");
    const std::string locked = folder.file("locked");
    test::WriteFileBytes(locked, "x");
    platform.executables->locked.insert(locked);
    const auto id = platform.table->start(program);
    const auto lockedId = platform.table->start(locked);
    dialog().append(program + " [1001] [not in Safe list]", {program + " [1001]", program, id});
    dialog().append(locked + " [1002] [corrupt checksum]", {locked + " [1002]", locked, lockedId});
    check(0);
    check(1);
    dialog().EncartaButton2Click();

    EXPECT_EQ(lines("TextListBox2"), (std::vector<std::string>{program + "     [900150983CD24FB0D6963F7D28E17F72]"}));
    EXPECT_EQ(dialog().count(), 0u);
    EXPECT_TRUE(platform.table->running(id));
    const std::string log = test::ReadFileBytes(folder.file("system/KVlog.txt"));
    EXPECT_NE(log.find(program + "  Continued execution, placed in Safe Processes list."), std::string::npos);
    EXPECT_NE(log.find(locked + "  This program locked it's exe file.  It can not be listed in Safe Processes list."),
              std::string::npos);
}

TEST_F(QuestionableFormTest, PathWithALineBreakIsDecidedButNeverListed) {
    // Such a path could not be written as one line of a list file.
    const std::string odd = folder.file("odd\nname");
    test::WriteFileBytes(odd, "abc");
    const auto killed = platform.table->start(odd);
    const auto kept = platform.table->start(odd);
    const std::string entryText = odd + " [1001]";
    dialog().append(entryText + " [not in Safe list]", {entryText, odd, killed});
    dialog().append(odd + " [1002] [not in Safe list]", {odd + " [1002]", odd, kept});
    check(0);
    dialog().EncartaButton1Click();
    EXPECT_FALSE(platform.table->running(killed));
    EXPECT_TRUE(lines("CheckListBox3").empty());

    check(0);
    dialog().EncartaButton2Click();
    EXPECT_TRUE(lines("TextListBox2").empty());
    EXPECT_TRUE(platform.table->running(kept));
    EXPECT_EQ(dialog().count(), 0u);

    const std::string logged = folder.file("odd\\nname");
    const std::string log = test::ReadFileBytes(folder.file("system/KVlog.txt"));
    EXPECT_NE(log.find(logged + "  Terminated by user.  It can not be listed in Kill Processes list.\r\n"),
              std::string::npos);
    EXPECT_NE(log.find(logged + "  This program locked it's exe file.  It can not be listed in Safe Processes list."),
              std::string::npos);
}

TEST_F(QuestionableFormTest, ContinueForAProcessThatEndedDigestsTheFileAtItsPath) {
    const std::string program = folder.file("tool");
    test::WriteFileBytes(program, "abc");
    const auto id = platform.table->start(program);
    dialog().append(program + " [1001] [not in Safe list]", {program + " [1001]", program, id});
    platform.table->end(id);
    check(0);
    dialog().EncartaButton2Click();
    EXPECT_EQ(lines("TextListBox2"), (std::vector<std::string>{program + "     [900150983CD24FB0D6963F7D28E17F72]"}));
    EXPECT_EQ(platform.executables->probed, (std::vector<std::string>{program}));
}

TEST_F(QuestionableFormTest, CloseIsRefusedWhileUndecidedLinesRemain) {
    dialog().append("/opt/a [1001] [not in Safe list]", {"/opt/a [1001]", "/opt/a", {1001, 1}});
    form().engine().flags().DialogUp = true;
    QTimer::singleShot(0, &dialog(), [this] {
        dialog().close();
        EXPECT_TRUE(dialog().isVisible());
        EXPECT_TRUE(form().engine().flags().DialogUp);
        dialog().EncartaButton1Click(); // nothing checked: still refused
        EXPECT_TRUE(dialog().isVisible());
        check(0);
        dialog().EncartaButton1Click();
    });
    dialog().showModal();
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_FALSE(form().engine().flags().DialogUp);
    EXPECT_TRUE(form().isVisible()); // not in the tray: the main window returns
}

TEST_F(QuestionableFormTest, ClosingLeavesAWindowSentToTheTrayHidden) {
    shownForm();
    form().setInTray(true);
    form().hide();
    dialog().append("/opt/a [1001] [not in Safe list]", {"/opt/a [1001]", "/opt/a", {1001, 1}});
    form().engine().flags().DialogUp = true;
    QTimer::singleShot(0, &dialog(), [this] {
        check(0);
        dialog().EncartaButton1Click();
    });
    dialog().showModal();
    EXPECT_FALSE(form().engine().flags().DialogUp);
    EXPECT_FALSE(form().isVisible());
}

TEST(QuestionableStripBrackets, CutsAtTheFirstBracketAndGivesNothingWithoutOne) {
    EXPECT_EQ(TForm2::StripBrackets(" /opt/a b\t[1001] [not in Safe list]"), "/opt/a b");
    EXPECT_EQ(TForm2::StripBrackets("/opt/a"), "");
    EXPECT_EQ(TForm2::StripBrackets("[1]"), "");
}

} // namespace
} // namespace korvane
