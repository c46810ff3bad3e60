#include "ui/main_form.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <QApplication>
#include <QListWidget>
#include <QTest>
#include <QTimer>

#include "engine/checksums.h"
#include "store/settings_codec.h"
#include "tests/support/fake_platform.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/main_window_fixture.h"
#include "ui/questionable_form.h"

namespace korvane {
namespace {

class MainFormTest : public ::testing::Test {
protected:
    MainFormTest() {
        std::filesystem::create_directory(folder.path() / "system");
        test::WriteFileBytes(folder.file("system/KVlog.txt"), "");
        neverKillProcess = platform.table->start("/usr/lib/systemd/systemd");
    }

    TForm1& form() {
        if (!form_) {
            form_ =
                std::make_unique<TForm1>(platform.services, ProgramLocation{folder.file("Korvane"), folder.folder()});
        }
        return *form_;
    }
    // The window after its first activation, which loads the (here missing, so empty)
    // lists: the watch checks nothing before.
    TForm1& activated() {
        QEvent activation(QEvent::WindowActivate);
        QApplication::sendEvent(&form(), &activation);
        EXPECT_FALSE(form().firstActivation());
        return form();
    }
    template <class T> T* child(const char* name) { return form().findChild<T*>(QLatin1String(name)); }
    std::vector<std::string> lines(const char* name) { return test::PaneLines(*child<TTextListBox>(name)); }

    test::TempFolder folder;
    test::FakePlatform platform;
    ProcessIdentity neverKillProcess;
    std::unique_ptr<TForm1> form_;
};

TEST_F(MainFormTest, StartsStoppedWithTheFirstSnapshotShown) {
    platform.table->start("/opt/Zeta");
    platform.table->start("/opt/alpha");
    EXPECT_EQ(lines("TextListBox1"), (std::vector<std::string>{"/opt/alpha", "/opt/Zeta", "/usr/lib/systemd/systemd"}));
    EXPECT_FALSE(form().isActivated());
    EXPECT_EQ(child<TEncartaButton>("EncartaButton5")->caption(), QStringLiteral("Stopped"));
    // Stopped: no watch ticks until activation; the blink timer runs instead.
    EXPECT_FALSE(form().timer1().isActive());
    EXPECT_TRUE(form().timer2().isActive());
    EXPECT_EQ(form().timer2().interval(), 500);
    EXPECT_EQ(platform.priority->raises, 1);

    const auto started = platform.table->start("/opt/new");
    activated().killPane().add("new");
    form().Timer1Timer();
    EXPECT_EQ(lines("TextListBox1").size(), 4u);
    EXPECT_TRUE(platform.table->running(started)); // stopped: nothing is killed
}

TEST_F(MainFormTest, UnreadableSafeListedImageDoesNotStopTheTick) {
    // Activated, with a Safe-listed program whose image cannot be read: the digest
    // fails after the probe. That process waits for the next pass; the tick goes on.
    test::WriteFileBytes(folder.file("Korvane.ini"), EncodeSettingsText("[Form1]\r\nCheckBox7.Checked=FALSE\r\n"));
    const test::TempFolder elsewhere; // outside the program's own, exempt, folder
    const std::string gone = elsewhere.file("gone");
    activated().safePane().add(gone + "     [900150983CD24FB0D6963F7D28E17F72]");
    child<TTextListBox>("TextListBox4")->addText("/usr/lib/systemd/systemd");
    platform.table->start(gone);
    ASSERT_TRUE(form().isActivated());
    EXPECT_NO_THROW(form().Timer1Timer());
    EXPECT_EQ(lines("TextListBox1").size(), 2u); // the tick went on to rebuild the list
    EXPECT_TRUE(platform.terminator->terminated.empty());
    EXPECT_FALSE(form().engine().flags().DialogUp);
}

TEST_F(MainFormTest, LogAlertPaintsTheLogButton) {
    form().paintLogAlert();
    auto* log = child<TEncartaButton>("EncartaButton7");
    EXPECT_EQ(log->color(), QColor(255, 0, 0));
    EXPECT_EQ(log->fontColor(), QColor(255, 255, 0));
}

TEST_F(MainFormTest, SettingsKeepTheKeysInDesignOrderAndComeBack) {
    form().SaveSettings();
    const std::string plain = DecodeSettingsText(test::ReadFileBytes(folder.file("Korvane.ini")));
    std::vector<std::string> keys;
    for (std::size_t at = 0, end; (end = plain.find("\r\n", at)) != std::string::npos; at = end + 2) {
        const std::string line = plain.substr(at, end - at);
        keys.push_back(line.substr(0, line.find('=')));
    }
    // The check boxes, the holders, the change-password fields and the menu items; never
    // MaskEdit1, the lock password.
    EXPECT_EQ(keys, (std::vector<std::string>{"[Form1]",
                                              "Top",
                                              "Left",
                                              "Width",
                                              "Height",
                                              "Edit1.Text",
                                              "ParmEdit.Text",
                                              "CheckBox1.Checked",
                                              "CheckBox2.Checked",
                                              "CheckBox7.Checked",
                                              "CheckBox4.Checked",
                                              "CheckBox5.Checked",
                                              "CheckBox3.Checked",
                                              "CheckBox6.Checked",
                                              "CheckBox8.Checked",
                                              "CheckBox10.Checked",
                                              "GaugeStatusBar1.Position",
                                              "MaskEdit3.Text",
                                              "MaskEdit2.Text",
                                              "CheckBox9.Checked",
                                              "DeleteFocusedSafeProcess1.Checked",
                                              "DisplayFileInformation2.Checked",
                                              "CopyToClipboard2.Checked",
                                              "DeleteFocusedKillProcess1.Checked",
                                              "Stripdowntoexenameonly1.Checked",
                                              "DisplayFileInformation3.Checked",
                                              "CopyToClipboard3.Checked",
                                              "DisplayFileInformation1.Checked",
                                              "CopyToClipboard1.Checked",
                                              "DeleteFocusedNeverKillProcess1.Checked",
                                              "MenuItem2.Checked",
                                              "CopyToClipboard4.Checked",
                                              "RemoveTheseFilesFromSafeList1.Checked",
                                              "Changepassword1.Checked"}));
    EXPECT_NE(plain.find("CopyToClipboard4.Checked=FALSE\r\n"), std::string::npos);
    EXPECT_NE(plain.find("Edit1.Text=1000\r\n"), std::string::npos);

    form_.reset();
    test::WriteFileBytes(folder.file("Korvane.ini"),
                         EncodeSettingsText("[Form1]\r\nEdit1.Text=250\r\nCheckBox7.Checked=FALSE\r\n"
                                            "CheckBox2.Checked=true\r\n"));
    EXPECT_TRUE(form().isActivated());
    EXPECT_EQ(form().timer1().interval(), 250);
    EXPECT_FALSE(form().autoKillUnknownChecksums()); // only "TRUE" ticks a box
}

TEST_F(MainFormTest, TrayIconHasNoTooltip) {
    EXPECT_TRUE(child<TRxTrayIcon>("RxTrayIcon1")->hint().isEmpty());
}

TEST_F(MainFormTest, IntervalOfZeroOrLessLeavesTheWatchTimerOff) {
    test::WriteFileBytes(folder.file("Korvane.ini"),
                         EncodeSettingsText("[Form1]\r\nEdit1.Text=0\r\nCheckBox7.Checked=FALSE\r\n"));
    EXPECT_TRUE(form().isActivated());
    EXPECT_FALSE(form().timer1().isActive());
    form().setTimer1Interval(100);
    EXPECT_TRUE(form().timer1().isActive());
    EXPECT_EQ(form().timer1().interval(), 100);
    form().setTimer1Interval(-5);
    EXPECT_FALSE(form().timer1().isActive());
}

TEST_F(MainFormTest, RestoredAutoKillIsConfirmedAndStaysInForce) {
    test::WriteFileBytes(folder.file("Korvane.ini"),
                         EncodeSettingsText("[Form1]\r\nCheckBox1.Checked=TRUE\r\nCheckBox7.Checked=FALSE\r\n"));
    activated();
    child<TTextListBox>("TextListBox4")->addText("/usr/lib/systemd/systemd");
    EXPECT_TRUE(form().autoKillUnknown());
    EXPECT_EQ(child<QCheckBox>("CheckBox1")->palette().color(QPalette::Window), QColor(255, 0, 0));

    // The questionable dialog takes back only an unconfirmed tick.
    form().questionableDialog().show();
    form().questionableDialog().hide();
    EXPECT_TRUE(child<QCheckBox>("CheckBox1")->isChecked());

    const auto unknown = platform.table->start("/opt/unknown");
    // Were it questioned instead, the dialog would wait for an answer.
    QTimer::singleShot(0, &form().questionableDialog(), [this] {
        ADD_FAILURE() << "questioned, not killed";
        form().questionableDialog().done(QDialog::Rejected);
    });
    form().Timer1Timer();
    EXPECT_FALSE(platform.table->running(unknown));
}

TEST_F(MainFormTest, ToggledBypassMarkRequestsARecheck) {
    test::WriteFileBytes(folder.file("Korvane.ini"), EncodeSettingsText("[Form1]\r\nCheckBox7.Checked=FALSE\r\n"));
    activated();
    child<TTextListBox>("TextListBox4")->addText("/usr/lib/systemd/systemd");
    form().killPane().add("/opt/miner");
    form().killPane().setChecked(0, true);
    const auto miner = platform.table->start("/opt/miner");
    form().Timer1Timer();
    ASSERT_TRUE(platform.table->running(miner));
    EXPECT_FALSE(form().engine().flags().ForceCheck);

    // The program's own mark changes request nothing; the user's toggle does.
    form().killPane().setChecked(0, true);
    EXPECT_FALSE(form().engine().flags().ForceCheck);
    auto* kill = child<TTextListBox>("CheckListBox3");
    kill->setCurrentRow(0);
    QTest::keyClick(kill, Qt::Key_Space);
    EXPECT_FALSE(form().killPane().checked(0));
    EXPECT_TRUE(form().engine().flags().ForceCheck);

    // The snapshot is unchanged, yet the next tick runs the checks.
    form().Timer1Timer();
    EXPECT_FALSE(platform.table->running(miner));
}

} // namespace
} // namespace korvane
