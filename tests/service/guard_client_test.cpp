#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include <QCoreApplication>

#include <unistd.h>

#include "engine/admission_digest.h"
#include "engine/checksums.h"
#include "engine/process_snapshot.h"
#include "platform/guard_client/guard_platform.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/proc_files.h"
#include "tests/service/guard_test_support.h"
#include "tests/support/child_process.h"
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

TEST(GuardAdmissionRole, AdmitsWhatRunsThroughTheService) {
    const char* socket = std::getenv("KORVANE_ADMISSION_SOCKET");
    const char* program = std::getenv("KORVANE_ADMISSION_PROGRAM");
    const char* running = std::getenv("KORVANE_ADMISSION_DIGEST");
    if (socket == nullptr || program == nullptr || running == nullptr) {
        GTEST_SKIP() << "runs only as the child of GuardClientTest.AUserAdmitsWhatRootRunsFromAFolderItCannotRead";
    }
    PlatformServices platform = MakeLinuxPlatform();
    ASSERT_TRUE(UseGuardService(platform, socket));
    ProcessSnapshot snapshot(*platform.processes);
    ASSERT_TRUE(snapshot.RefreshTaskListNT());
    const AdmissionReads reads{*platform.executables, *platform.imageDigests};
    // "Copy all Current to Safe" and a drop on the Safe list.
    EXPECT_EQ(AdmissionDigest(program, snapshot, reads), running);
    // Admitted from the questionable dialog.
    const auto& entries = snapshot.StgLst();
    const auto entry = std::find_if(entries.begin(), entries.end(),
                                    [&](const SnapshotEntry& listed) { return listed.path == program; });
    ASSERT_NE(entry, entries.end());
    EXPECT_EQ(ProcessAdmissionDigest(*entry, reads), running);
}

// Through the service the window lists every user's programs; admitting one must take
// the digest of what runs, which only the service can read: root's program lies in a
// folder the user cannot enter, and another file has been put at its path since.
TEST_F(GuardClientTest, AUserAdmitsWhatRootRunsFromAFolderItCannotRead) {
    namespace fs = std::filesystem;
    test::GuardService service(socket);
    ASSERT_TRUE(service.up());
    const fs::path hidden = folder.path() / "hidden";
    fs::create_directory(hidden);
    fs::permissions(hidden, fs::perms::owner_all);
    const std::string worker = (hidden / "worker").string();
    test::CopySleepBinary(worker);
    const std::string running = DigestText(FileDigest(worker));
    test::ChildProcess child(worker, {"60"});
    const std::string replacement = (hidden / "replacement").string();
    test::WriteFileBytes(replacement, "#!/bin/sh\n");
    fs::rename(replacement, worker);
    fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);

    const std::string self = fs::read_symlink("/proc/self/exe");
    const auto command = test::AsNobody({self, "--gtest_filter=GuardAdmissionRole.AdmitsWhatRunsThroughTheService"},
                                        test::kGuardGroupId);
    test::ChildProcess user(command.front(), std::vector<std::string>(command.begin() + 1, command.end()),
                            {"KORVANE_ADMISSION_SOCKET=" + socket, "KORVANE_ADMISSION_PROGRAM=" + worker,
                             "KORVANE_ADMISSION_DIGEST=" + running});
    ASSERT_TRUE(user.waitEnded(30000));
    EXPECT_EQ(user.exitCode(), 0);
}

} // namespace
} // namespace korvane
