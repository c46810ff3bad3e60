#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include <QApplication>
#include <QTimer>

#include "engine/memory_list_pane.h"
#include "platform/linux/linux_executable_access.h"
#include "platform/linux/linux_file_locker.h"
#include "platform/linux/linux_process_terminator.h"
#include "store/data_seal.h"
#include "store/list_file_store.h"
#include "tests/support/child_process.h"
#include "tests/support/first_activation.h"
#include "tests/support/scoped_real_platform.h"
#include "tests/ui/main_window_fixture.h"

namespace korvane {
namespace {

using Strings = std::vector<std::string>;

// The real window watching real processes, with real locks on its data files, around
// the saves it outlives: the session manager's checkpoints and a quit whose save fails.
class SessionSaveTest : public test::MainWindowTest {
protected:
    SessionSaveTest() {
        test::CopySleepBinary(bins.file("banned"));
        storeLists({}, {bins.file("banned")}, {"   ", "/usr/lib/systemd/systemd"});
        settings("Edit1.Text=40\r\nCheckBox7.Checked=FALSE\r\nParmEdit.Text=010000000000000000000000000\r\n");
        // Only the fixture's table, terminator, image reader and locker are replaced.
        PlatformServices& services = platform.services;
        services.processes = std::make_unique<test::ScopedProcessTable>(bins.folder());
        services.terminator = std::make_unique<LinuxProcessTerminator>();
        services.executables = std::make_unique<LinuxExecutableAccess>();
        services.fileLocker = std::make_unique<LinuxFileLocker>();
    }

    void expectDataFilesLocked() {
        for (const std::string& path :
             {files.executable, files.safeList, files.killList, files.neverKillList, files.seal}) {
            EXPECT_TRUE(test::LockedByOthers(path)) << path;
        }
    }
    // Starts the Kill-listed program; true when the watch ends it.
    bool killsANewcomer() {
        test::ChildProcess banned(bins.file("banned"), {"60"});
        return QTest::qWaitFor([&] { return banned.ended(); }, 5000);
    }
    void expectWatching() {
        EXPECT_TRUE(form().timer1().isActive());
        EXPECT_EQ(child<TEncartaButton>("EncartaButton5")->caption(), QStringLiteral("Activated"));
        expectDataFilesLocked();
        EXPECT_TRUE(killsANewcomer());
    }
    Strings storedKillList() {
        MemoryListPane kill("CheckListBox3");
        ListFileStore(folder.folder()).LoadList(kill);
        Strings entries;
        for (std::size_t i = 0; i < kill.count(); ++i) {
            entries.push_back(kill.item(i));
        }
        return entries;
    }

    test::TempFolder bins; // outside the program's own, exempt, folder
};

TEST_F(SessionSaveTest, ACheckpointSavesAndTheWatchGoesOn) {
    shownForm();
    ASSERT_TRUE(killsANewcomer());
    form().killPane().add("/opt/added");
    form().startTamperAlarm();

    EXPECT_TRUE(form().CommitSessionData());
    EXPECT_TRUE(CheckDataSeal(files).passed());
    EXPECT_EQ(storedKillList(), (Strings{bins.file("banned"), "/opt/added"}));
    EXPECT_TRUE(form().isVisible());
    EXPECT_EQ(endRequests, 0);
    EXPECT_TRUE(form().timer3().isActive()); // the alarm sounds on too
    EXPECT_FALSE(form().timer2().isActive());
    expectWatching();

    // A second checkpoint finds the files it locked after the first.
    form().killPane().add("/opt/later");
    EXPECT_TRUE(form().CommitSessionData());
    EXPECT_EQ(storedKillList(), (Strings{bins.file("banned"), "/opt/added", "/opt/later"}));
    expectWatching();
}

// When the session really ends (the session manager asks the application to quit),
// the program saves what changed since the last checkpoint and ends, watching no more.
TEST_F(SessionSaveTest, TheApplicationsQuitSavesOnceMoreAndEnds) {
    shownForm();
    QObject::connect(&form(), &TForm1::endProgram, qApp, [] { QCoreApplication::exit(0); });
    ASSERT_TRUE(form().CommitSessionData());
    form().killPane().add("/opt/after-checkpoint");
    QTimer::singleShot(0, qApp, [] { QCoreApplication::quit(); });
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); }); // the quit was refused
    ASSERT_EQ(QApplication::exec(), 0);
    EXPECT_EQ(endRequests, 1);
    EXPECT_EQ(storedKillList(), (Strings{bins.file("banned"), "/opt/after-checkpoint"}));
    EXPECT_FALSE(form().timer1().isActive());
    EXPECT_FALSE(test::LockedByOthers(files.killList));
}

TEST_F(SessionSaveTest, AFailedSaveAtQuitLeavesEverythingAsBeforeTheQuit) {
    shownForm();
    std::filesystem::remove(files.listTemp);
    std::filesystem::create_directories(files.listTemp + "/blocker");
    press("EncartaButton2");
    press("CentralMsgLabelButtonYes");
    EXPECT_TRUE(form().isVisible());
    EXPECT_EQ(endRequests, 0);
    ASSERT_TRUE(message());
    EXPECT_TRUE(message()->startsWith(QStringLiteral("The Korvane data files could not be saved")));
    expectWatching();

    // The quit is no longer confirmed: the close box does nothing, Quit asks again.
    press("CentralMsgLabelButtonOK");
    EXPECT_FALSE(form().close());
    EXPECT_TRUE(form().isVisible());
    std::filesystem::remove_all(files.listTemp);
    press("EncartaButton2");
    EXPECT_EQ(message(), QString(20, u' ') + QStringLiteral("Quit Korvane?") + QString(26, u' '));
    press("CentralMsgLabelButtonYes");
    EXPECT_TRUE(form().isHidden());
    EXPECT_EQ(endRequests, 1);
    EXPECT_TRUE(CheckDataSeal(files).passed());
}

} // namespace
} // namespace korvane
