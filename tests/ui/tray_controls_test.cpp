#include <gtest/gtest.h>

#include <filesystem>

#include <sys/resource.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QTimer>

#include "platform/linux/descriptor_limit.h"
#include "platform/linux/xdg_document_opener.h"
#include "tests/ui/main_window_fixture.h"
#include "ui/password_form.h"
#include "ui/questionable_form.h"

namespace korvane {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

const QColor kBeige{0xE7, 0xDF, 0xAD};
const QColor kNavy{0, 0, 128};
const QColor kRed{255, 0, 0};
const QColor kYellow{255, 255, 0};
const QColor kAmber{0xFF, 0xCF, 0x00};

const QString kRefused = QStringLiteral(
    "Can not activate Korvane with 'Never Kill System Processes' list and/or 'Safe Processes' list empty!");

class TrayControlsTest : public test::MainWindowTest {
protected:
    TEncartaButton* button(const char* name) { return child<TEncartaButton>(name); }
    std::pair<QColor, QColor> look(const char* name) { return {button(name)->color(), button(name)->fontColor()}; }
    TRxTrayIcon* tray() { return child<TRxTrayIcon>("RxTrayIcon1"); }
    bool trayShows(int image) { return tray()->icon().cacheKey() == tray()->icons()->at(image).cacheKey(); }
    void clickTray(Qt::MouseButton side = Qt::LeftButton) {
        const bool left = side == Qt::LeftButton;
        tray()->handleShellReport(left ? ShellReport::LeftDown : ShellReport::RightDown);
        tray()->handleShellReport(left ? ShellReport::LeftUp : ShellReport::RightUp);
    }
    // A desktop with a notification area, which the offscreen platform has not.
    void withTray() {
        form().trayControls().setTrayAvailability([] { return true; });
    }
    TForm3& passwordDialog() { return form().trayControls().passwordDialog(); }
    QLineEdit* passwordEdit() { return passwordDialog().findChild<QLineEdit*>(QStringLiteral("MaskEdit2")); }
    QLabel* passwordLabel() { return passwordDialog().findChild<QLabel*>(QStringLiteral("Label1")); }
    // A password typed into the dialog, answered with Enter or OK.
    void answerPassword(const QString& typed, bool enter) {
        QTest::keyClicks(passwordEdit(), typed);
        if (enter) {
            QTest::keyClick(passwordEdit(), Qt::Key_Return);
        } else {
            QTest::mouseClick(passwordDialog().findChild<TEncartaButton*>(QStringLiteral("EncartaButton1")),
                              Qt::LeftButton);
        }
    }
    // The lists with the password "Secret", LOCK checked and the watch stopped.
    void locked() {
        storeLists({"/opt/safe     [900150983CD24FB0D6963F7D28E17F72]"}, {}, {"   Secret", "/usr/lib/systemd/systemd"});
        settings("CheckBox5.Checked=TRUE\r\nCheckBox7.Checked=TRUE\r\nParmEdit.Text=010000000000000000000000000\r\n");
    }
};

TEST_F(TrayControlsTest, ActivationIsRefusedWhileTheSafeOrNeverKillListIsEmpty) {
    shownForm(); // the seeded Safe list is empty
    press("EncartaButton5");
    EXPECT_EQ(message(), kRefused);
    EXPECT_EQ(button("EncartaButton5")->caption(), QStringLiteral("Stopped"));
    // The press stopped the blink, so the refused button stands still.
    EXPECT_FALSE(form().timer2().isActive());
    EXPECT_FALSE(form().timer1().isActive());

    restart();
    storeLists({"/opt/safe     [900150983CD24FB0D6963F7D28E17F72]"}, {}, {"   "});
    shownForm();
    press("EncartaButton5");
    EXPECT_EQ(message(), kRefused);
    EXPECT_FALSE(form().isActivated());
}

TEST_F(TrayControlsTest, ActivatingChecksAtOnceWithTheIntervalTypedAndStoppingBlinks) {
    const test::TempFolder elsewhere; // outside the program's own, exempt, folder
    const std::string altered = elsewhere.file("altered");
    WriteFileBytes(altered, "changed since it was admitted");
    const ProcessIdentity killed = platform.table->start("/opt/bad");
    const ProcessIdentity corrupt = platform.table->start(altered);
    storeLists({altered + "     [900150983CD24FB0D6963F7D28E17F72]"}, {"/opt/bad"},
               {"   ", "/usr/lib/systemd/systemd"});
    settings("CheckBox2.Checked=TRUE\r\nCheckBox7.Checked=TRUE\r\nParmEdit.Text=010000000000000000000000000\r\n");
    shownForm();
    ASSERT_TRUE(trayShows(1));

    child<TIntegerEdit>("IntegerEdit1")->setValue(3000);
    press("EncartaButton5");
    EXPECT_TRUE(form().isActivated());
    EXPECT_EQ(look("EncartaButton5"), std::pair(kYellow, kNavy));
    EXPECT_TRUE(trayShows(0));
    EXPECT_FALSE(form().timer2().isActive());
    EXPECT_TRUE(form().timer1().isActive());
    EXPECT_EQ(form().timer1().interval(), 3000);
    // Both checks ran at once: the Kill list, then the altered Safe-listed program.
    EXPECT_EQ(platform.terminator->terminated, (std::vector<ProcessIdentity>{killed, corrupt}));

    press("EncartaButton5");
    EXPECT_EQ(button("EncartaButton5")->caption(), QStringLiteral("Stopped"));
    EXPECT_EQ(look("EncartaButton5"), std::pair(kRed, kYellow));
    EXPECT_TRUE(trayShows(1));
    EXPECT_TRUE(form().timer2().isActive());
    EXPECT_EQ(form().timer2().interval(), 500);
    EXPECT_TRUE(form().timer1().isActive()); // the Current list goes on following

    // Typed while running, the interval waits for the next activation.
    child<TIntegerEdit>("IntegerEdit1")->setValue(2000);
    EXPECT_EQ(form().timer1().interval(), 3000);
    press("EncartaButton5");
    EXPECT_EQ(form().timer1().interval(), 2000);
}

TEST_F(TrayControlsTest, StoppedButtonBlinksRedAndAmberAndStandsStillWhenActivated) {
    storeLists({"/opt/safe     [900150983CD24FB0D6963F7D28E17F72]"}, {}, {"   ", "/usr/lib/systemd/systemd"});
    shownForm();
    std::vector<std::pair<QColor, QColor>> looks;
    // Connected after the blink's own handler, so each tick is seen after its paint.
    QObject::connect(&form().timer2(), &QTimer::timeout, [&] { looks.push_back(look("EncartaButton5")); });
    form().timer2().start(10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return looks.size() >= 4; }));
    for (std::size_t tick = 0; tick < looks.size(); ++tick) {
        EXPECT_EQ(looks[tick], tick % 2 == 0 ? std::pair(kAmber, kNavy) : std::pair(kRed, kYellow)) << tick;
    }

    press("EncartaButton5");
    EXPECT_FALSE(form().timer2().isActive());
    EXPECT_EQ(look("EncartaButton5"), std::pair(kYellow, kNavy));
    // A tick still due when the watch was activated stops the blink in yellow.
    form().timer2().start(10);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form().timer2().isActive(); }));
    EXPECT_EQ(look("EncartaButton5"), std::pair(kYellow, kNavy));
}

TEST_F(TrayControlsTest, TrayClickWithLockNeverShowsTheWindowBeforeTheRightPassword) {
    locked();
    withTray();
    shownForm();
    press("EncartaButton3");
    EXPECT_TRUE(form().isHidden());
    EXPECT_TRUE(form().inTray());

    clickTray();
    EXPECT_TRUE(form().isHidden());
    ASSERT_TRUE(passwordDialog().isVisible());
    EXPECT_EQ(passwordDialog().windowTitle(), QStringLiteral("Password"));
    EXPECT_EQ(passwordLabel()->text(), QStringLiteral("Enter password!"));
    EXPECT_EQ(passwordEdit()->echoMode(), QLineEdit::Password);

    for (const QString& wrong : {QStringLiteral("secret"), QStringLiteral("Secret "), QString()}) {
        answerPassword(wrong, true);
        EXPECT_TRUE(form().isHidden()) << wrong.toStdString();
        EXPECT_TRUE(passwordDialog().isVisible());
        EXPECT_EQ(passwordLabel()->text(), QStringLiteral("Incorrect password!"));
        EXPECT_EQ(passwordLabel()->palette().color(QPalette::WindowText), kRed);
        EXPECT_TRUE(passwordEdit()->text().isEmpty());
    }

    // Closed unanswered, asked again by the next click (the right button too).
    passwordDialog().close();
    clickTray(Qt::RightButton);
    EXPECT_TRUE(passwordDialog().isVisible());
    EXPECT_EQ(passwordLabel()->text(), QStringLiteral("Enter password!"));
    EXPECT_EQ(passwordLabel()->palette().color(QPalette::WindowText), kNavy);
    EXPECT_TRUE(form().isHidden());

    answerPassword(QStringLiteral("Secret"), false);
    EXPECT_TRUE(form().isVisible());
    EXPECT_FALSE(form().inTray());
    EXPECT_FALSE(passwordDialog().isVisible());
}

// A locked, watching start puts the window away in the tray: the questionable dialog,
// once answered, leaves it there, and only the password brings it back.
TEST_F(TrayControlsTest, ALockedStartStaysInTheTrayThroughTheQuestionableDialog) {
    locked();
    settings("CheckBox5.Checked=TRUE\r\nCheckBox7.Checked=FALSE\r\nParmEdit.Text=010000000000000000000000000\r\n");
    withTray();
    form().show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form().isHidden() && !form().firstActivation(); }));

    platform.table->start("/opt/unknown");
    TForm2& dialog = form().questionableDialog();
    bool asked = false;
    QTimer::singleShot(0, &dialog, [&] {
        asked = dialog.isVisible();
        dialog.entryList().item(0)->setCheckState(Qt::Checked);
        dialog.EncartaButton1Click();
    });
    form().Timer1Timer();
    EXPECT_TRUE(asked);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(form().isHidden());

    clickTray();
    EXPECT_TRUE(passwordDialog().isVisible());
    EXPECT_TRUE(form().isHidden());
    answerPassword(QStringLiteral("Secret"), true);
    EXPECT_TRUE(form().isVisible());
    EXPECT_FALSE(form().inTray());
}

TEST_F(TrayControlsTest, ActivateUponTrayWithEmptyListsRefusesThenHidesWithTheNoticeWaiting) {
    withTray();
    shownForm();
    child<QCheckBox>("CheckBox10")->setChecked(true);
    press("EncartaButton3");
    EXPECT_TRUE(form().isHidden());
    EXPECT_FALSE(form().isActivated());
    clickTray();
    EXPECT_TRUE(form().isVisible());
    EXPECT_EQ(message(), kRefused);
}

TEST_F(TrayControlsTest, ActivateUponTrayActivatesAndAnUnlockedTrayClickShowsTheWindow) {
    storeLists({"/opt/safe     [900150983CD24FB0D6963F7D28E17F72]"}, {}, {"   ", "/usr/lib/systemd/systemd"});
    withTray();
    shownForm();
    child<QCheckBox>("CheckBox10")->setChecked(true);
    press("EncartaButton3");
    EXPECT_TRUE(form().isHidden());
    EXPECT_TRUE(form().isActivated());
    EXPECT_TRUE(trayShows(0));
    EXPECT_FALSE(form().timer2().isActive()); // no press stopped it: the activation did

    clickTray(Qt::RightButton);
    EXPECT_TRUE(form().isVisible());
    EXPECT_FALSE(form().inTray());
    EXPECT_FALSE(passwordDialog().isVisible());
}

TEST_F(TrayControlsTest, WithoutANotificationAreaTrayMinimisesAndSaysSoOnce) {
    shownForm();
    child<QCheckBox>("CheckBox10")->setChecked(true);
    press("EncartaButton3");
    EXPECT_TRUE(form().isMinimized());
    EXPECT_FALSE(form().isHidden());
    EXPECT_TRUE(form().inTray());
    // Joined to the refused activation's notice, which is still open.
    ASSERT_TRUE(message());
    EXPECT_TRUE(message()->startsWith(kRefused + QStringLiteral(" This desktop has no notification area")));
    press("CentralMsgLabelButtonOK");
    // The questionable dialog leaves it where it is: hidden, it could not come back.
    form().hideMainWindow();
    EXPECT_FALSE(form().isHidden());

    // Brought back from the task bar, as a tray click would.
    form().showNormal();
    EXPECT_FALSE(form().isMinimized());
    EXPECT_FALSE(form().inTray());

    press("EncartaButton3");
    EXPECT_TRUE(form().isMinimized());
    EXPECT_EQ(message(), kRefused); // no second word about the tray
}

TEST_F(TrayControlsTest, WithoutANotificationAreaTheMinimisedWindowAsksThePassword) {
    locked();
    shownForm();
    press("EncartaButton3");
    ASSERT_TRUE(form().isMinimized());
    press("CentralMsgLabelButtonOK");

    // Brought back from the task bar: the window stays away behind the password.
    form().showNormal();
    EXPECT_TRUE(passwordDialog().isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return form().isHidden(); }));
    answerPassword(QStringLiteral("secret"), true);
    EXPECT_TRUE(form().isHidden());
    // Closed unanswered: back in the task bar, and asking again from there.
    passwordDialog().close();
    EXPECT_TRUE(form().isMinimized());
    EXPECT_FALSE(form().isHidden());
    QTest::qWait(20);
    form().showNormal();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form().isHidden(); }));

    answerPassword(QStringLiteral("Secret"), true);
    EXPECT_TRUE(form().isVisible());
    EXPECT_FALSE(form().isMinimized());
    EXPECT_FALSE(form().inTray());
    QTest::qWait(20);
    EXPECT_TRUE(form().isVisible());
    EXPECT_FALSE(form().isMinimized());
}

TEST_F(TrayControlsTest, LockedAndWatchingWithoutANotificationAreaStartsMinimised) {
    locked();
    settings("CheckBox5.Checked=TRUE\r\nCheckBox7.Checked=FALSE\r\nParmEdit.Text=010000000000000000000000000\r\n");
    form().show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form().isMinimized(); }));
    EXPECT_TRUE(form().inTray());
    ASSERT_TRUE(message());
    EXPECT_TRUE(message()->startsWith(QStringLiteral("This desktop has no notification area")));
}

TEST_F(TrayControlsTest, TamperAlarmSoundsAndBlinksUntilLogOpensTheLog) {
    std::string seal = ReadFileBytes(files.seal);
    seal[0] = seal[0] == '0' ? '1' : '0';
    WriteFileBytes(files.seal, seal);
    shownForm();
    ASSERT_TRUE(form().timer3().isActive());
    std::vector<std::pair<QColor, QColor>> looks;
    QObject::connect(&form().timer3(), &QTimer::timeout, [&] { looks.push_back(look("EncartaButton7")); });
    form().timer3().start(10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return looks.size() >= 4; }));
    // The tamper entry painted it red: the first tick turns it back.
    for (std::size_t tick = 0; tick < looks.size(); ++tick) {
        EXPECT_EQ(looks[tick], tick % 2 == 0 ? std::pair(kBeige, kNavy) : std::pair(kRed, kYellow)) << tick;
    }
    ASSERT_EQ(platform.sound->played.size(), looks.size());
    for (const std::string& sound : platform.sound->played) {
        EXPECT_EQ(sound, folder.folder() + "Alarm2.wav");
    }

    // Pressed while the alarm sounds: silent from then on, in the normal colours.
    platform.sound->onPlay = [&] {
        if (look("EncartaButton7").first == kRed) {
            press("EncartaButton7");
        }
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form().timer3().isActive(); }));
    const std::size_t sounds = platform.sound->played.size();
    QTest::qWait(40);
    EXPECT_EQ(platform.sound->played.size(), sounds);
    EXPECT_EQ(look("EncartaButton7"), std::pair(kBeige, kNavy));
    press("HelpButton");
    EXPECT_EQ(platform.documents->opened,
              (std::vector<std::string>{folder.folder() + "system/KVlog.txt", folder.folder() + "KVhelp.chm"}));
}

// The help viewer, started by the program's own opener, gets the descriptor limit the
// program started with, not the one the watch raised. (Each test runs in a process
// of its own: the first raise in it is this one.)
TEST_F(TrayControlsTest, TheHelpViewerStartsWithTheDescriptorLimitOfTheStart) {
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    ASSERT_GT(limit.rlim_max, 512u) << "this machine allows no raise";
    limit.rlim_cur = 512;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limit), 0);
    ASSERT_TRUE(linux_proc::RaiseSoftDescriptorLimit(limit.rlim_max));
    // Writes its limit beside the document it was asked to open.
    const std::string viewer =
        folder.write("viewer", "#!/bin/sh\nulimit -Sn > \"$1.tmp\"\nmv \"$1.tmp\" \"$1.limit\"\n");
    std::filesystem::permissions(viewer, std::filesystem::perms::owner_all);
    platform.services.documents = std::make_unique<XdgDocumentOpener>(viewer);

    shownForm();
    press("HelpButton");
    const std::string report = folder.file("KVhelp.chm.limit");
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(report); }, 5000));
    EXPECT_EQ(ReadFileBytes(report), "512\n");
}

} // namespace
} // namespace korvane
