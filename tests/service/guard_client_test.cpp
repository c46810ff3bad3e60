#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include <QCoreApplication>

#include <unistd.h>

#include "engine/checksums.h"
#include "platform/guard_client/guard_platform.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/proc_files.h"
#include "tests/service/guard_test_support.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

bool Lists(const std::vector<ProcessRecord>& records, pid_t pid, const std::string& path) {
    return std::any_of(records.begin(), records.end(),
                       [&](const ProcessRecord& record) { return record.id.pid == pid && record.path == path; });
}

// Runs the event loop until `done` holds or 10 s have passed.
template <class Done> bool Pump(Done done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

class GuardClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "the service runs as root";
        }
        test::CopySleepBinary(program);
    }

    test::TempFolder folder;
    std::string socket = folder.file("guard.sock");
    std::string program = folder.file("worker");
};

TEST_F(GuardClientTest, TheWindowsProcessServicesAreAnsweredByTheService) {
    test::GuardService service(socket);
    ASSERT_TRUE(service.up());
    PlatformServices platform = MakeLinuxPlatform();
    ASSERT_TRUE(UseGuardService(platform, socket));
    EXPECT_EQ(platform.scope->text(), "Watching all processes through the guard service.");

    test::ChildProcess child(program, {"60"});
    const auto records = platform.processes->enumerate();
    ASSERT_TRUE(records);
    ASSERT_TRUE(Lists(*records, child.pid(), program));
    const ProcessIdentity id{child.pid(), linux_proc::ReadStat(child.pid())->startTime};
    EXPECT_EQ(platform.imageDigests->digest(id),
              (RunningImageDigest{RunningImageDigest::Outcome::Digested, DigestText(FileDigest(program))}));
    EXPECT_TRUE(platform.terminator->terminate(id));
    EXPECT_TRUE(child.waitEnded(5000));
    EXPECT_EQ(platform.imageDigests->digest(id).outcome, RunningImageDigest::Outcome::Ended);
    EXPECT_FALSE(platform.terminator->terminate(id));
}

TEST_F(GuardClientTest, WithoutAServiceTheLocalBackendStays) {
    PlatformServices platform = MakeLinuxPlatform();
    ProcessTable* local = platform.processes.get();
    EXPECT_FALSE(UseGuardService(platform, socket));
    EXPECT_EQ(platform.processes.get(), local);
    EXPECT_EQ(platform.imageDigests, nullptr);
}

TEST_F(GuardClientTest, AServiceThatIsNotRootIsNotTrusted) {
    std::filesystem::permissions(folder.path(), std::filesystem::perms::all);
    test::GuardService impostor(socket, test::AsNobody({}));
    ASSERT_TRUE(impostor.up());
    PlatformServices platform = MakeLinuxPlatform();
    EXPECT_FALSE(UseGuardService(platform, socket));
    EXPECT_EQ(platform.imageDigests, nullptr);
}

TEST_F(GuardClientTest, TheServiceKilledAndRestartedMidRunIsRejoinedWithoutARestart) {
    auto service = std::make_unique<test::GuardService>(socket);
    ASSERT_TRUE(service->up());
    PlatformServices platform = MakeLinuxPlatform();
    ASSERT_TRUE(UseGuardService(platform, socket));
    int announced = 0;
    platform.scope->setChangeHandler([&] { ++announced; });
    const auto before = platform.processes->enumerate();
    ASSERT_TRUE(before);
    platform.processEvents->takeEvents();

    service->crash();
    // Found out by the next request, or by the event loop first.
    EXPECT_FALSE(platform.processes->enumerate());
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(platform.scope->text(), "The guard service is gone: the last process list stays until it is back.");
    test::ChildProcess child(program, {"60"});
    const ProcessIdentity id{child.pid(), linux_proc::ReadStat(child.pid())->startTime};
    // Nothing is judged or ended on data that is not there.
    EXPECT_EQ(platform.imageDigests->digest(id).outcome, RunningImageDigest::Outcome::Ended);
    EXPECT_FALSE(platform.terminator->terminate(id));
    // Retries while it is gone say nothing more.
    Pump([] { return false; });
    EXPECT_EQ(announced, 1);

    service = std::make_unique<test::GuardService>(socket);
    ASSERT_TRUE(service->up());
    ASSERT_TRUE(Pump([&] { return announced == 2; }));
    EXPECT_EQ(platform.scope->text(), "Watching all processes through the guard service.");
    // What happened meanwhile calls for a fresh look at once.
    EXPECT_TRUE(platform.processEvents->takeEvents().lost);
    const auto after = platform.processes->enumerate();
    ASSERT_TRUE(after);
    EXPECT_TRUE(Lists(*after, child.pid(), program));
    EXPECT_TRUE(platform.terminator->terminate(id));
    EXPECT_TRUE(child.waitEnded(5000));
}

} // namespace
} // namespace korvane
