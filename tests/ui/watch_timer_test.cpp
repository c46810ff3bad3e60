#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QListWidget>
#include <QTimer>

#include "store/settings_codec.h"
#include "tests/support/child_process.h"
#include "tests/support/fake_platform.h"
#include "tests/support/scoped_real_platform.h"
#include "tests/support/temp_folder.h"
#include "ui/main_form.h"
#include "ui/questionable_form.h"

namespace korvane {
namespace {

bool Lists(const TForm2& dialog, const std::string& path) {
    for (std::size_t i = 0; i < dialog.count(); ++i) {
        if (dialog.entry(i).path == path) {
            return true;
        }
    }
    return false;
}

// The watch timer with the questionable dialog up: the real window, its real timer
// and the real dialog in its modal loop.
class WatchTimerTest : public ::testing::Test {
protected:
    WatchTimerTest() {
        std::filesystem::create_directory(folder.path() / "system");
        test::WriteFileBytes(folder.file("system/KVlog.txt"), "");
        // Activated, on a short interval.
        test::WriteFileBytes(folder.file("Korvane.ini"),
                             EncodeSettingsText("[Form1]\r\nEdit1.Text=40\r\nCheckBox7.Checked=FALSE\r\n"));
    }

    // The window after its first activation, which loads the (here missing, so empty)
    // lists before the test fills them.
    TForm1& makeForm(PlatformServices& platform) {
        form_ = std::make_unique<TForm1>(platform, ProgramLocation{folder.file("Korvane"), folder.folder()});
        QEvent activation(QEvent::WindowActivate);
        QCoreApplication::sendEvent(form_.get(), &activation);
        return *form_;
    }

    // What the scenario does once the dialog is up, and how it sees the outcome.
    struct Scenario {
        std::function<void()> startKillListedAndSecondUnknown;
        std::function<bool()> killListedEnded;
        std::string secondUnknown; // its path
    };
    // Timer1 timeouts from the start of the two processes until each outcome was
    // seen; -1 when it never was.
    struct Outcome {
        int killedAfter = -1;
        int listedAfter = -1;
    };

    // Waits for the dialog, starts the processes inside its modal loop and watches
    // the ticks that follow; then kills every listed process through the dialog's
    // button, which closes it. A deadline ends the run if ticks stop.
    Outcome runWithTheDialogUp(const Scenario& scenario) {
        TForm1& form = *form_;
        TForm2& dialog = form.questionableDialog();
        Outcome outcome;
        int timeouts = 0;
        int startedAt = -1;
        bool answered = false;
        QEventLoop loop;
        // Connected after the window's own slot: it runs once the cycle is queued.
        QObject::connect(&form.timer1(), &QTimer::timeout, &loop, [&] {
            ++timeouts;
            if (startedAt < 0) {
                if (dialog.isVisible()) {
                    scenario.startKillListedAndSecondUnknown();
                    startedAt = timeouts;
                }
                return;
            }
            if (outcome.killedAfter < 0 && scenario.killListedEnded()) {
                outcome.killedAfter = timeouts - startedAt;
            }
            if (outcome.listedAfter < 0 && Lists(dialog, scenario.secondUnknown)) {
                outcome.listedAfter = timeouts - startedAt;
            }
            if (outcome.killedAfter >= 0 && outcome.listedAfter >= 0 && !answered) {
                answered = true;
                QTimer::singleShot(0, &dialog, [&] {
                    for (int row = 0; row < dialog.entryList().count(); ++row) {
                        dialog.entryList().item(row)->setCheckState(Qt::Checked);
                    }
                    dialog.EncartaButton1Click();
                    loop.quit();
                });
            }
        });
        QTimer::singleShot(20000, &loop, [&] {
            ADD_FAILURE() << "the watch stopped ticking while the dialog was up";
            dialog.done(QDialog::Rejected);
            loop.quit();
        });
        loop.exec();
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_FALSE(form.engine().flags().DialogUp);
        return outcome;
    }

    std::vector<std::string> killList() {
        std::vector<std::string> entries;
        for (std::size_t i = 0; i < form_->killPane().count(); ++i) {
            entries.push_back(form_->killPane().item(i));
        }
        return entries;
    }
    std::string logText() const { return test::ReadFileBytes(folder.file("system/KVlog.txt")); }

    test::TempFolder folder;
    std::unique_ptr<TForm1> form_;
};

TEST_F(WatchTimerTest, TicksGoOnInsideTheDialogOverFakeProcesses) {
    test::FakePlatform platform;
    platform.table->start("/opt/unknown1");
    TForm1& form = makeForm(platform.services);
    form.killPane().add("/opt/banned");
    ProcessIdentity banned;
    const Outcome outcome = runWithTheDialogUp({[&] {
                                                    banned = platform.table->start("/opt/banned");
                                                    platform.table->start("/opt/unknown2");
                                                },
                                                [&] { return !platform.table->running(banned); }, "/opt/unknown2"});
    EXPECT_GE(outcome.killedAfter, 0);
    EXPECT_LE(outcome.killedAfter, 2);
    EXPECT_GE(outcome.listedAfter, 0);
    EXPECT_LE(outcome.listedAfter, 2);
    EXPECT_EQ(killList(), (std::vector<std::string>{"/opt/banned", "/opt/unknown2", "/opt/unknown1"}));
    EXPECT_TRUE(platform.table->processes.empty());
}

TEST_F(WatchTimerTest, TicksGoOnInsideTheDialogOverRealProcesses) {
    test::TempFolder bins; // outside the program's own, exempt, folder
    for (const char* name : {"unknown1", "banned", "unknown2"}) {
        test::CopySleepBinary(bins.file(name));
    }
    PlatformServices platform = test::ScopedRealPlatform(bins.folder());

    test::ChildProcess unknown1(bins.file("unknown1"), {"60"});
    TForm1& form = makeForm(platform);
    form.killPane().add(bins.file("banned"));
    std::unique_ptr<test::ChildProcess> banned;
    std::unique_ptr<test::ChildProcess> unknown2;
    const Outcome outcome = runWithTheDialogUp(
        {[&] {
             banned = std::make_unique<test::ChildProcess>(bins.file("banned"), std::vector<std::string>{"60"});
             unknown2 = std::make_unique<test::ChildProcess>(bins.file("unknown2"), std::vector<std::string>{"60"});
         },
         [&] { return banned->ended(); }, bins.file("unknown2")});
    EXPECT_GE(outcome.killedAfter, 0);
    EXPECT_LE(outcome.killedAfter, 2);
    EXPECT_GE(outcome.listedAfter, 0);
    EXPECT_LE(outcome.listedAfter, 2);
    EXPECT_EQ(killList(),
              (std::vector<std::string>{bins.file("banned"), bins.file("unknown2"), bins.file("unknown1")}));
    EXPECT_NE(logText().find(bins.file("banned") + "  Terminated, found in Kill Processes list."), std::string::npos);
    EXPECT_TRUE(unknown1.waitEnded(5000));
    ASSERT_TRUE(unknown2);
    EXPECT_TRUE(unknown2->waitEnded(5000));
}

} // namespace
} // namespace korvane
