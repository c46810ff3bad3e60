#include "ui/main_form.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QTest>

#include "engine/memory_list_pane.h"
#include "store/data_save.h"
#include "store/data_seal.h"
#include "store/seed_folder.h"
#include "store/settings_codec.h"
#include "tests/support/fake_platform.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/main_window_fixture.h"

namespace korvane {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

// The main window over a folder just seeded, and the fake platform.
class MainFormDataTest : public test::MainWindowTest {
protected:
    MainFormDataTest() : MainWindowTest(true) {}

    // The program's end after a confirmed quit: the window closes and saves its settings.
    bool quit() {
        form().QuitConfirmedClose();
        const bool closed = form().isHidden();
        if (closed) {
            form().SaveSettings();
        }
        return closed;
    }
    bool paintedTampered(const char* name) {
        const QPalette colours = child<TTextListBox>(name)->palette();
        return colours.color(QPalette::Base) == QColor(255, 0, 0) &&
               colours.color(QPalette::Text) == QColor(255, 255, 0);
    }
    std::string settingsText() { return DecodeSettingsText(ReadFileBytes(files.settings)); }
    std::string logText() { return ReadFileBytes(files.log); }
};

TEST_F(MainFormDataTest, SeededFolderStartsWithoutAlarmAndLoadsAtFirstActivation) {
    storeLists({"/usr/bin/zsh     [00000000000000000000000000000000]"}, {"/opt/evil"},
               {"   s3cret", "/usr/lib/systemd/systemd"});
    form();
    EXPECT_EQ(logText(), "");
    EXPECT_FALSE(form().timer3().isActive());
    EXPECT_FALSE(paintedTampered("TextListBox2"));
    EXPECT_TRUE(form().firstActivation());
    EXPECT_TRUE(lines("TextListBox4").empty()); // nothing is read before the first activation

    shownForm();
    EXPECT_FALSE(form().firstActivation());
    EXPECT_EQ(lines("TextListBox2"), std::vector<std::string>{"/usr/bin/zsh     [00000000000000000000000000000000]"});
    EXPECT_EQ(lines("CheckListBox3"), std::vector<std::string>{"/opt/evil"});
    EXPECT_EQ(lines("TextListBox4"), std::vector<std::string>{"/usr/lib/systemd/systemd"});
    EXPECT_EQ(form().lockPassword(), "s3cret");
    EXPECT_EQ(platform.fileLocker->held, (std::vector<std::string>{files.executable, files.safeList, files.killList,
                                                                   files.neverKillList, files.seal}));
    // The seeded flag string is all "0": the first-run notice comes once.
    ASSERT_TRUE(message());
    EXPECT_TRUE(message()->startsWith(QStringLiteral("Note: It is EXTREMELY important")));
    EXPECT_EQ(form().flags().text(), "010000000000000000000000000");
    for (const char* name : {"CheckBox1", "CheckBox5", "CheckBox9"}) {
        EXPECT_FALSE(form().firstEvents().RegisterFirstEvent(child<QObject>(name))) << name;
    }
    QTest::mouseClick(child<TEncartaButton>("CentralMsgLabelButtonOK"), Qt::LeftButton);
    EXPECT_FALSE(message());

    // A later activation (back from the tray) loads nothing and says nothing.
    child<TTextListBox>("TextListBox4")->addText("/opt/added");
    activate();
    EXPECT_EQ(lines("TextListBox4").size(), 2u);
    EXPECT_FALSE(message());
}

TEST_F(MainFormDataTest, TamperedSealIsLoggedPaintedAndAlarmed) {
    std::string seal = ReadFileBytes(files.seal);
    seal[0] = seal[0] == '0' ? '1' : '0';
    WriteFileBytes(files.seal, seal);
    form();
    EXPECT_NE(logText().find(files.seal + "  There is an indication that this Korvane data file has been tampered "
                                          "with.  Check data in list, as well as Preferences settings!"),
              std::string::npos);
    for (const char* pane : {"TextListBox2", "CheckListBox3", "TextListBox4"}) {
        EXPECT_TRUE(paintedTampered(pane)) << pane;
    }
    EXPECT_TRUE(form().timer3().isActive());
    EXPECT_EQ(form().timer3().interval(), 1000);
    auto* log = child<TEncartaButton>("EncartaButton7");
    EXPECT_EQ(log->color(), QColor(255, 0, 0));
    EXPECT_EQ(log->fontColor(), QColor(255, 255, 0));
}

// A deleted seal no longer switches off the rest of the start.
TEST_F(MainFormDataTest, MissingSealFailsTheCheckAndTheStartGoesOn) {
    std::filesystem::remove(files.seal);
    platform.table->start("/opt/running");
    form();
    EXPECT_TRUE(form().timer3().isActive());
    EXPECT_TRUE(paintedTampered("TextListBox4"));
    EXPECT_EQ(platform.priority->raises, 1);
    EXPECT_EQ(lines("TextListBox1"), std::vector<std::string>{"/opt/running"});
    EXPECT_TRUE(form().timer2().isActive()); // the seeded start mode: stopped
    shownForm();
    EXPECT_EQ(lines("TextListBox4"), std::vector<std::string>{"/usr/lib/systemd/systemd"});
}

TEST_F(MainFormDataTest, CloseWithoutConfirmedQuitIsRefusedAndWritesNothing) {
    shownForm();
    const std::string seal = ReadFileBytes(files.seal);
    const auto written = std::filesystem::last_write_time(files.safeList);
    EXPECT_FALSE(form().close());
    EXPECT_TRUE(form().isVisible());
    EXPECT_EQ(endRequests, 0);
    EXPECT_EQ(std::filesystem::last_write_time(files.safeList), written);
    EXPECT_EQ(ReadFileBytes(files.seal), seal);
    EXPECT_TRUE(form().timer2().isActive());
}

TEST_F(MainFormDataTest, ConfirmedQuitSavesAndTheNextStartFindsEverything) {
    WriteFileBytes(files.settings, EncodeSettingsText("[Form1]\r\nEdit1.Text=250\r\nCheckBox7.Checked=FALSE\r\n"
                                                      "ParmEdit.Text=011000000000000000000000000\r\n"));
    shownForm();
    EXPECT_EQ(child<TIntegerEdit>("IntegerEdit1")->value(), 250);
    EXPECT_EQ(form().timer1().interval(), 250);
    EXPECT_FALSE(message()); // the notice was shown at an earlier start
    child<TTextListBox>("CheckListBox3")->addText("/opt/evil");
    child<TTextListBox>("TextListBox2")->addText("/usr/bin/zsh     [00000000000000000000000000000000]");
    child<QLineEdit>("MaskEdit1")->setText(QStringLiteral("pw"));
    child<TIntegerEdit>("IntegerEdit1")->setValue(750);
    ASSERT_TRUE(quit());
    EXPECT_EQ(endRequests, 1);
    EXPECT_FALSE(form().timer1().isActive());
    EXPECT_TRUE(CheckDataSeal(files).passed());
    EXPECT_EQ(ReadFileBytes(files.sealBackup), ReadFileBytes(files.seal));
    EXPECT_EQ(std::filesystem::last_write_time(files.sealBackup), SealBackupTime());
    EXPECT_NE(settingsText().find("Edit1.Text=750\r\n"), std::string::npos);
    EXPECT_NE(settingsText().find("ParmEdit.Text=011000000000000000000000000\r\n"), std::string::npos);

    restart();
    EXPECT_EQ(logText(), "");
    shownForm();
    EXPECT_EQ(form().timer1().interval(), 750);
    EXPECT_EQ(lines("CheckListBox3"), std::vector<std::string>{"/opt/evil"});
    EXPECT_EQ(lines("TextListBox2"), std::vector<std::string>{"/usr/bin/zsh     [00000000000000000000000000000000]"});
    EXPECT_EQ(lines("TextListBox4"), std::vector<std::string>{"/usr/lib/systemd/systemd"});
    EXPECT_EQ(form().lockPassword(), "pw");
}

// Without a settings file the flag string is empty: no notice now, sixteen "0" saved,
// and the notice at the next start; a bad interval becomes 1000.
TEST_F(MainFormDataTest, ShortFlagStringAndBadIntervalAtTheNextStart) {
    WriteFileBytes(files.settings, EncodeSettingsText("[Form1]\r\nEdit1.Text=fast\r\n"));
    shownForm();
    EXPECT_EQ(child<QLineEdit>("Edit1")->text(), QStringLiteral("1000"));
    EXPECT_EQ(child<TIntegerEdit>("IntegerEdit1")->value(), 1000);
    EXPECT_FALSE(message());
    ASSERT_TRUE(quit());
    EXPECT_NE(settingsText().find("ParmEdit.Text=0000000000000000\r\n"), std::string::npos);

    restart();
    shownForm();
    EXPECT_TRUE(message());
    ASSERT_TRUE(quit());
    EXPECT_NE(settingsText().find("ParmEdit.Text=0100000000000000\r\n"), std::string::npos);
}

// A save that fails keeps the window open, says so in the log with alert, and a later
// close tries again.
TEST_F(MainFormDataTest, FailedSaveKeepsTheWindowOpen) {
    shownForm();
    child<TTextListBox>("CheckListBox3")->addText("/opt/evil");
    const std::string kill = ReadFileBytes(files.killList);
    std::filesystem::remove(files.listTemp);
    std::filesystem::create_directories(files.listTemp + "/blocker");
    EXPECT_FALSE(quit());
    EXPECT_TRUE(form().isVisible());
    EXPECT_EQ(endRequests, 0);
    // As before the quit: the Stopped button blinks on and the files are locked again.
    EXPECT_TRUE(form().timer2().isActive());
    EXPECT_EQ(platform.fileLocker->held.size(), 5u);
    EXPECT_NE(logText().find("Saving the Korvane data files failed at this file."), std::string::npos);
    EXPECT_EQ(child<TEncartaButton>("EncartaButton7")->color(), QColor(255, 0, 0));
    EXPECT_EQ(message(), QStringLiteral("The Korvane data files could not be saved, so Korvane stays open.  The "
                                        "activity log names the file that failed.  Correct the problem, then quit "
                                        "again."));
    EXPECT_EQ(ReadFileBytes(files.killList), kill);
    EXPECT_TRUE(lines("TextListBox4") == std::vector<std::string>{"/usr/lib/systemd/systemd"});

    std::filesystem::remove_all(files.listTemp);
    EXPECT_TRUE(quit());
    EXPECT_NE(ReadFileBytes(files.killList), kill);
}

TEST_F(MainFormDataTest, FailedFirstLoadIsRetriedAtTheNextActivation) {
    std::filesystem::remove(files.listTemp);
    std::filesystem::create_directory(files.listTemp);
    form().show();
    activate();
    EXPECT_TRUE(form().firstActivation());
    EXPECT_TRUE(lines("TextListBox4").empty());
    // Lists that never loaded are not saved over the files.
    const std::string neverKill = ReadFileBytes(files.neverKillList);
    EXPECT_TRUE(form().WMQueryEndSession());
    EXPECT_EQ(ReadFileBytes(files.neverKillList), neverKill);

    std::filesystem::remove(files.listTemp);
    activate();
    EXPECT_FALSE(form().firstActivation());
    EXPECT_EQ(lines("TextListBox4"), std::vector<std::string>{"/usr/lib/systemd/systemd"});
}

// A request to end (SIGTERM, a logout) saves without the quit question, through the
// event loop.
TEST_F(MainFormDataTest, EndOfSessionRequestSavesWithoutConfirmation) {
    shownForm();
    child<TTextListBox>("CheckListBox3")->addText("/opt/evil");
    platform.endOfSession->request();
    QApplication::processEvents();
    EXPECT_EQ(endRequests, 1);
    EXPECT_FALSE(form().timer2().isActive());
    EXPECT_TRUE(CheckDataSeal(files).passed());
    restart();
    shownForm();
    EXPECT_EQ(lines("CheckListBox3"), std::vector<std::string>{"/opt/evil"});
}

TEST_F(MainFormDataTest, StartupRegistrationFollowsCheckBox3) {
    WriteFileBytes(files.settings, EncodeSettingsText("[Form1]\r\nCheckBox3.Checked=TRUE\r\n"));
    shownForm();
    using Call = std::pair<std::string, bool>;
    ASSERT_FALSE(platform.startup->calls.empty());
    EXPECT_EQ(platform.startup->calls.back(), Call(files.executable, true)); // at creation
    platform.startup->calls.clear();
    child<QCheckBox>("CheckBox3")->click();
    EXPECT_EQ(platform.startup->calls, std::vector<Call>{Call(files.executable, false)});
    ASSERT_TRUE(quit());
    EXPECT_EQ(platform.startup->calls.back(), Call(files.executable, false)); // at shutdown
}

} // namespace
} // namespace korvane
