#include "ui/process_event_watch.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/linux/linux_clock.h"
#include "platform/linux/linux_executable_access.h"
#include "platform/linux/linux_process_events.h"
#include "platform/linux/linux_process_table.h"
#include "platform/linux/linux_process_terminator.h"
#include "store/settings_codec.h"
#include "tests/support/child_process.h"
#include "tests/support/fake_platform.h"
#include "tests/support/file_rewrites.h"
#include "tests/support/restricted_user.h"
#include "tests/support/temp_folder.h"
#include "ui/main_form.h"

namespace korvane {
namespace {

// The real window with the watch activated. Its timer ticks every `interval`
// milliseconds; a minute means no tick comes within a test.
class ProcessEventWatchTest : public ::testing::Test {
protected:
    TForm1& makeForm(PlatformServices& platform, int interval) {
        std::filesystem::create_directory(folder.path() / "system");
        test::WriteFileBytes(folder.file("system/KVlog.txt"), "");
        test::WriteFileBytes(folder.file("Korvane.ini"),
                             EncodeSettingsText("[Form1]\r\nEdit1.Text=" + std::to_string(interval) +
                                                "\r\nCheckBox7.Checked=FALSE\r\n"));
        form_ = std::make_unique<TForm1>(platform, ProgramLocation{folder.file("Korvane"), folder.folder()});
        // The first activation loads the (here missing, so empty) lists; the watch
        // checks nothing before it.
        QEvent activation(QEvent::WindowActivate);
        QCoreApplication::sendEvent(form_.get(), &activation);
        QObject::connect(&form_->timer1(), &QTimer::timeout, [this] { ++timeouts; });
        return *form_;
    }

    // Runs the event loop until `done` or five seconds have passed; true when done.
    static bool runUntil(const std::function<bool()>& done, int milliseconds = 5000) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < milliseconds) {
            QEventLoop loop;
            QTimer::singleShot(5, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return done();
    }

    static constexpr int kNoTickInTheTest = 60000;
    test::TempFolder folder;
    // Either platform outlives the window.
    test::FakePlatform platform;
    PlatformServices linuxPlatform;
    std::unique_ptr<TForm1> form_;
    int timeouts = 0;
};

TEST_F(ProcessEventWatchTest, AKillListedProgramDiesAtItsStartWithoutWaitingForTheTimer) {
    platform.processEvents->subscribe();
    TForm1& form = makeForm(platform.services, kNoTickInTheTest);
    form.killPane().add("/opt/banned");

    const ProcessIdentity banned = platform.table->start("/opt/banned");
    platform.processEvents->deliver({.exec = true, .changed = true});
    EXPECT_TRUE(runUntil([&] { return !platform.table->running(banned); }));
    EXPECT_EQ(timeouts, 0);
}

TEST_F(ProcessEventWatchTest, LostEventsRunACycleThatReadsTheTable) {
    platform.processEvents->subscribe();
    TForm1& form = makeForm(platform.services, kNoTickInTheTest);
    form.killPane().add("/opt/banned");
    const ProcessIdentity banned = platform.table->start("/opt/banned");

    platform.processEvents->deliver({.changed = true}); // a fork: no cycle for it alone
    EXPECT_FALSE(runUntil([&] { return !platform.table->running(banned); }, 200));
    platform.processEvents->deliver({.lost = true});
    EXPECT_TRUE(runUntil([&] { return !platform.table->running(banned); }));
    EXPECT_EQ(timeouts, 0);
}

TEST_F(ProcessEventWatchTest, ABurstOfStartsRunsOneCycleAtOnceAndOneAtItsEnd) {
    platform.processEvents->subscribe();
    TForm1& form = makeForm(platform.services, kNoTickInTheTest);
    form.killPane().add("/opt/banned");
    // Known to the guard, so that no question holds the cycle up.
    form.findChild<TTextListBox*>(QStringLiteral("TextListBox4"))->addText("/opt/compiler");
    const int before = platform.table->enumerations;

    platform.processEvents->deliver({.exec = true, .changed = true});
    ASSERT_TRUE(runUntil([&] { return platform.table->enumerations == before + 1; }));
    // The rest of the burst: the last of them is the one to kill.
    ProcessIdentity banned;
    for (int i = 0; i < 5; ++i) {
        banned = platform.table->start(i < 4 ? "/opt/compiler" : "/opt/banned");
        platform.processEvents->deliver({.exec = true, .changed = true});
        runUntil([] { return false; }, 5);
    }
    EXPECT_TRUE(runUntil([&] { return !platform.table->running(banned); }));
    runUntil([] { return false; }, 2 * ProcessEventWatch::kBurst);
    // Two cycles for six starts; a third only if the machine stalled the loop for a
    // whole burst.
    EXPECT_GE(platform.table->enumerations, before + 2);
    EXPECT_LE(platform.table->enumerations, before + 3);
    EXPECT_EQ(timeouts, 0);
}

TEST_F(ProcessEventWatchTest, AKillListedNewcomerDoesNotWaitForTheCycleOfItsBurst) {
    platform.processEvents->subscribe();
    TForm1& form = makeForm(platform.services, kNoTickInTheTest);
    form.killPane().add("/opt/banned");
    form.findChild<TTextListBox*>(QStringLiteral("TextListBox4"))->addText("/opt/compiler");

    const int before = platform.table->enumerations;
    const ProcessIdentity compiler = platform.table->start("/opt/compiler");
    platform.processEvents->deliver({.exec = true, .changed = true, .started = {compiler.pid}});
    ASSERT_TRUE(runUntil([&] { return platform.table->enumerations == before + 1; }));
    const int readings = platform.table->enumerations;
    // Within the burst: its cycle waits, the Kill list does not.
    const ProcessIdentity banned = platform.table->start("/opt/banned");
    platform.processEvents->deliver({.exec = true, .changed = true, .started = {banned.pid}});
    EXPECT_TRUE(runUntil([&] { return !platform.table->running(banned); }));
    // Killed without a reading of the table: the burst's cycle had not come yet.
    EXPECT_EQ(platform.table->enumerations, readings);
    EXPECT_TRUE(platform.table->running(compiler));
}

TEST_F(ProcessEventWatchTest, WithTheWatchTimerOffEventsRunNothing) {
    platform.processEvents->subscribe();
    TForm1& form = makeForm(platform.services, 0);
    form.killPane().add("/opt/banned");
    const ProcessIdentity banned = platform.table->start("/opt/banned");
    platform.processEvents->deliver({.exec = true, .changed = true});
    EXPECT_FALSE(runUntil([&] { return !platform.table->running(banned); }, 300));
}

// The Linux backend, narrowed to the test's own folder so that the machine's other
// processes are neither questioned nor killed, over one set of held pidfds.
class ScopedProcessTable : public ProcessTable {
public:
    ScopedProcessTable(std::string folder, std::shared_ptr<linux_proc::ProcessHandles> handles)
        : folder_(std::move(folder)), table_(std::move(handles)) {}
    std::optional<std::vector<ProcessRecord>> enumerate() override {
        auto records = table_.enumerate();
        if (records) {
            std::erase_if(*records, [&](const ProcessRecord& record) { return !record.path.starts_with(folder_); });
        }
        return records;
    }

private:
    std::string folder_;
    LinuxProcessTable table_;
};

PlatformServices ScopedLinuxPlatform(const std::string& folder, std::unique_ptr<ProcessEvents> events) {
    // Fakes for the rest: the test neither raises its priority, plays sounds, takes
    // the real lock nor registers anything.
    PlatformServices platform = std::move(test::FakePlatform().services);
    const auto handles = std::make_shared<linux_proc::ProcessHandles>();
    platform.processes = std::make_unique<ScopedProcessTable>(folder, handles);
    platform.terminator = std::make_unique<LinuxProcessTerminator>(handles);
    platform.executables = std::make_unique<LinuxExecutableAccess>(handles);
    platform.clock = std::make_unique<LinuxClock>();
    platform.processEvents = std::move(events);
    return platform;
}

TEST_F(ProcessEventWatchTest, ARealKillListedProgramDiesAtItsStartWithoutWaitingForTheTimer) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "process events need root or CAP_NET_ADMIN";
    }
    test::TempFolder bins; // outside the program's own, exempt, folder
    test::CopySleepBinary(bins.file("banned"));
    linuxPlatform = ScopedLinuxPlatform(bins.folder(), std::make_unique<LinuxProcessEvents>());
    ASSERT_TRUE(linuxPlatform.processEvents->subscribed());
    TForm1& form = makeForm(linuxPlatform, kNoTickInTheTest);
    form.killPane().add(bins.file("banned"));
    runUntil([] { return false; }, 100); // the first cycle, for the start-up check

    test::ChildProcess banned(bins.file("banned"), {"60"});
    EXPECT_TRUE(runUntil([&] { return banned.ended(); }));
    EXPECT_EQ(timeouts, 0);
    EXPECT_NE(test::ReadFileBytes(folder.file("system/KVlog.txt"))
                  .find(bins.file("banned") + "  Terminated, found in Kill Processes list."),
              std::string::npos);
}

TEST_F(ProcessEventWatchTest, ABurstOfRealKillListedChildrenAllDieWhileTheWindowGoesOn) {
    test::TempFolder bins;
    test::CopySleepBinary(bins.file("banned"));
    linuxPlatform = ScopedLinuxPlatform(bins.folder(), nullptr);
    TForm1& form = makeForm(linuxPlatform, kNoTickInTheTest);
    form.killPane().add(bins.file("banned"));
    std::vector<std::unique_ptr<test::ChildProcess>> children;
    for (int i = 0; i < 20; ++i) {
        children.push_back(std::make_unique<test::ChildProcess>(bins.file("banned"), std::vector<std::string>{"60"}));
    }
    test::FileRewrites rewrites(folder.file("system/KVlog.txt"));

    form.Timer1Timer();
    // The cycle has returned without waiting for a single death: all twenty are still
    // awaited, and the log was written once for them all.
    EXPECT_EQ(form.engine().snapshot().endingCount(), children.size());
    EXPECT_EQ(rewrites.count(), 1);
    const std::string log = test::ReadFileBytes(folder.file("system/KVlog.txt"));
    const std::string line = bins.file("banned") + "  Terminated, found in Kill Processes list.\r\n";
    int lines = 0;
    for (std::size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) {
        ++lines;
    }
    EXPECT_EQ(lines, 20);

    // Their pidfds report the ends to the window's event loop; no tick, no reading.
    EXPECT_TRUE(runUntil([&] {
        return form.engine().snapshot().endingCount() == 0 &&
               std::all_of(children.begin(), children.end(), [](const auto& child) { return child->ended(); });
    }));
    EXPECT_EQ(timeouts, 0);
}

TEST_F(ProcessEventWatchTest, WithoutPermissionTheTimerAloneKillsAsBefore) {
    test::TempFolder bins;
    test::CopySleepBinary(bins.file("banned"));
    std::unique_ptr<ProcessEvents> events;
    {
        const test::AsRestrictedUser restricted;
        events = std::make_unique<LinuxProcessEvents>();
    }
    ASSERT_FALSE(events->subscribed());
    linuxPlatform = ScopedLinuxPlatform(bins.folder(), std::move(events));
    TForm1& form = makeForm(linuxPlatform, 40);
    form.killPane().add(bins.file("banned"));

    test::ChildProcess banned(bins.file("banned"), {"60"});
    EXPECT_TRUE(runUntil([&] { return banned.ended(); }));
    EXPECT_GT(timeouts, 0);
}

} // namespace
} // namespace korvane
