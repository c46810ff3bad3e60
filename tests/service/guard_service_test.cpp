#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>
#include <variant>

#include <sys/stat.h>
#include <unistd.h>

#include "engine/checksums.h"
#include "platform/linux/proc_files.h"
#include "tests/service/guard_test_support.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

using protocol::Identity;

Identity IdentityOf(pid_t pid) {
    return {pid, linux_proc::ReadStat(pid).value().startTime};
}

// The service as root on a socket in a temporary folder, with a client greeted.
class GuardServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "the service runs as root";
        }
        service = std::make_unique<test::GuardService>(socket);
        ASSERT_TRUE(service->up());
    }

    std::unique_ptr<test::RawGuardClient> greeted() {
        auto client = std::make_unique<test::RawGuardClient>(socket);
        EXPECT_TRUE(client->greet());
        return client;
    }

    protocol::KillOutcome kill(test::RawGuardClient& client, const Identity& id) {
        EXPECT_TRUE(client.send(protocol::Kill{id}));
        const auto answer = client.receive();
        return answer ? std::get<protocol::KillResult>(*answer).outcome : protocol::KillOutcome::NotReached;
    }

    test::TempFolder folder;
    std::string socket = folder.file("guard.sock");
    std::unique_ptr<test::GuardService> service;
};

TEST_F(GuardServiceTest, SocketIsRootsAndTheGroupsOnly) {
    struct stat info {};
    ASSERT_EQ(::stat(socket.c_str(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0660u);
    EXPECT_EQ(info.st_uid, 0u);
    EXPECT_EQ(info.st_gid, test::kGuardGroupId);
}

TEST_F(GuardServiceTest, ListsDigestsAndEndsProcessesByIdentity) {
    const std::string program = folder.file("worker");
    test::CopySleepBinary(program);
    test::ChildProcess child(program, {"60"});
    auto client = greeted();

    // The table holds the child under its path and identity.
    const auto entries = client->list();
    ASSERT_TRUE(entries);
    const Identity id = IdentityOf(child.pid());
    EXPECT_NE(std::find(entries->begin(), entries->end(), protocol::ProcessEntry{id, program}), entries->end());

    // The digest of the running image, as text; nothing of the file itself.
    ASSERT_TRUE(client->send(protocol::DigestImage{id}));
    EXPECT_EQ(client->receive(), protocol::Message(protocol::ImageDigest{protocol::DigestOutcome::Digested,
                                                                         DigestText(FileDigest(program))}));
    // Another start time is another process: neither digested nor ended.
    const Identity stale{id.pid, id.startTime + 1};
    ASSERT_TRUE(client->send(protocol::DigestImage{stale}));
    EXPECT_EQ(client->receive(), protocol::Message(protocol::ImageDigest{protocol::DigestOutcome::Ended, {}}));
    EXPECT_EQ(kill(*client, stale), protocol::KillOutcome::NotReached);
    EXPECT_FALSE(child.waitEnded(100));

    EXPECT_EQ(kill(*client, id), protocol::KillOutcome::Signalled);
    EXPECT_TRUE(child.waitEnded(5000));
    ASSERT_TRUE(client->send(protocol::DigestImage{id}));
    EXPECT_EQ(client->receive(), protocol::Message(protocol::ImageDigest{protocol::DigestOutcome::Ended, {}}));
}

TEST_F(GuardServiceTest, RefusesToEndInitItselfTheAskingWindowAndKernelThreads) {
    auto client = greeted();
    EXPECT_EQ(kill(*client, IdentityOf(1)), protocol::KillOutcome::Refused);
    EXPECT_EQ(kill(*client, IdentityOf(service->pid())), protocol::KillOutcome::Refused);
    EXPECT_EQ(kill(*client, IdentityOf(::getpid())), protocol::KillOutcome::Refused);
    EXPECT_EQ(kill(*client, Identity{0, 0}), protocol::KillOutcome::Refused);
    EXPECT_EQ(kill(*client, Identity{-1, 0}), protocol::KillOutcome::Refused);
    // kthreadd is PID 2 wherever the kernel's threads are visible.
    if (const auto kthreadd = linux_proc::ReadStat(2); kthreadd && kthreadd->kernelThread) {
        EXPECT_EQ(kill(*client, IdentityOf(2)), protocol::KillOutcome::Refused);
    }
    // Still serving after all that.
    EXPECT_TRUE(client->list());
}

TEST_F(GuardServiceTest, ABrokenOrUnexpectedFrameClosesThatConnectionOnly) {
    auto steady = greeted();
    struct Offence {
        const char* what;
        bool greetFirst;
        std::vector<protocol::Message> messages;
        std::vector<std::byte> bytes;
    };
    const std::vector<Offence> offences = {
        {"a request before the hello", false, {protocol::ListProcesses{}}, {}},
        {"a frame only the service sends", true, {protocol::Changed{true, true, false}}, {}},
        {"a second hello", true, {protocol::Hello{}}, {}},
        {"an unknown type", true, {}, {std::byte{1}, std::byte{0}, std::byte{0}, std::byte{0}, std::byte{99}}},
        {"an oversized length", true, {}, {std::byte{0xff}, std::byte{0xff}, std::byte{0xff}, std::byte{0x7f}}},
        {"an empty body", false, {}, {std::byte{0}, std::byte{0}, std::byte{0}, std::byte{0}}},
    };
    for (const Offence& offence : offences) {
        test::RawGuardClient offender(socket);
        if (offence.greetFirst) {
            ASSERT_TRUE(offender.greet()) << offence.what;
        }
        for (const protocol::Message& message : offence.messages) {
            offender.send(message);
        }
        offender.sendBytes(offence.bytes);
        EXPECT_TRUE(offender.closedBy()) << offence.what;
        EXPECT_TRUE(steady->list()) << "after " << offence.what;
    }
}

TEST_F(GuardServiceTest, AWindowOfAnotherVersionGetsTheServicesHelloAndIsClosed) {
    test::RawGuardClient other(socket);
    ASSERT_TRUE(other.send(protocol::Hello{protocol::kVersion + 1}));
    EXPECT_EQ(other.receive(), protocol::Message(protocol::Hello{protocol::kVersion}));
    EXPECT_TRUE(other.closedBy());
}

TEST_F(GuardServiceTest, GarbageFloodersDoNotKeepOthersWaiting) {
    std::atomic<bool> flooding = true;
    std::thread flooder([&] {
        std::mt19937 random(17);
        std::vector<std::byte> garbage(64 * 1024);
        while (flooding) {
            for (std::byte& b : garbage) {
                b = static_cast<std::byte>(random());
            }
            test::RawGuardClient offender(socket);
            offender.sendBytes(garbage);
        }
    });
    auto client = greeted();
    int answered = 0;
    constexpr int kRequests = 200;
    for (int i = 0; i < kRequests; ++i) {
        answered += client->list() ? 1 : 0;
    }
    flooding = false;
    flooder.join();
    EXPECT_EQ(answered, kRequests);
}

TEST_F(GuardServiceTest, AClientThatAsksAndNeverReadsIsDroppedAndOthersAreServed) {
    test::RawGuardClient hoarder(socket);
    ASSERT_TRUE(hoarder.greet());
    auto client = greeted();
    // Each answer is the whole table; unread, they pile up until the service lets go.
    int sent = 0;
    while (sent < 1'000'000 && hoarder.send(protocol::ListProcesses{})) {
        ++sent;
    }
    EXPECT_LT(sent, 1'000'000);
    EXPECT_TRUE(client->list());
}

// A window is told which process started a program, and can look that one up alone.
TEST_F(GuardServiceTest, TellsGreetedWindowsWhichProcessStartedAProgram) {
    auto client = greeted();
    const std::string program = folder.file("starter");
    test::CopySleepBinary(program);
    test::ChildProcess child(program, {"60"});
    bool reported = false;
    bool named = false;
    for (auto report = client->receiveReport(2000); report && !named; report = client->receiveReport(2000)) {
        reported = true;
        named = std::find(report->started.begin(), report->started.end(), child.pid()) != report->started.end();
    }
    if (!reported) {
        GTEST_SKIP() << "no process events here (a PID namespace?)";
    }
    ASSERT_TRUE(named) << "the reports never named the process that started the program";
    ASSERT_TRUE(client->send(protocol::LookUpProcess{child.pid()}));
    EXPECT_EQ(client->receive(),
              protocol::Message(protocol::ProcessList{true, true, {{IdentityOf(child.pid()), program}}}));
    ASSERT_TRUE(client->send(protocol::LookUpProcess{0}));
    EXPECT_EQ(client->receive(), protocol::Message(protocol::ProcessList{}));
}

// The service may answer a listing from its last reading; a program started or ended
// since must show all the same, as soon as the kernel has told the service.
TEST_F(GuardServiceTest, AListingShowsWhatStartedAndEndedSinceTheLastOne) {
    auto client = greeted();
    const std::string program = folder.file("newcomer");
    test::CopySleepBinary(program);
    const auto holds = [&](const Identity& id) {
        const auto entries = client->list();
        return entries &&
               std::find(entries->begin(), entries->end(), protocol::ProcessEntry{id, program}) != entries->end();
    };
    const auto becomes = [&](const Identity& id, bool listed) {
        for (int attempt = 0; attempt < 30; ++attempt) {
            if (holds(id) == listed) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    };
    ASSERT_TRUE(client->list());

    test::ChildProcess child(program, {"60"});
    const Identity id = IdentityOf(child.pid());
    EXPECT_TRUE(becomes(id, true));
    ::kill(child.pid(), SIGKILL);
    ASSERT_TRUE(child.waitEnded(5000));
    EXPECT_TRUE(becomes(id, false));
}

// Run as a child under setpriv by the test below: connects and says whether it was let in.
// The sockets the service holds: its listener and one per client.
std::ptrdiff_t OpenDescriptors(pid_t pid, const std::string& kind) {
    const std::filesystem::directory_iterator fds("/proc/" + std::to_string(pid) + "/fd");
    return std::count_if(begin(fds), end(fds), [&](const std::filesystem::directory_entry& fd) {
        std::error_code error;
        return std::filesystem::read_symlink(fd.path(), error).string().starts_with(kind);
    });
}

std::ptrdiff_t OpenSockets(pid_t pid) {
    return OpenDescriptors(pid, "socket:");
}

// A pushed set stays in force after its window has gone, and what was refused while no
// window was there reaches the next one after its hello.
TEST_F(GuardServiceTest, KeepsRefusingAWindowsKillSetAfterItLeftAndTellsTheNextWindow) {
    const std::string writer = folder.file("marker_writer");
    test::CopyMarkerWriter(writer);
    const std::string marker = folder.file("marker");
    const std::ptrdiff_t alone = OpenSockets(service->pid());
    {
        auto window = greeted();
        ASSERT_TRUE(window->send(protocol::KillSet{1, {writer}, {}}));
        // Frames are handled in order: once the list is answered, the set is in force.
        ASSERT_TRUE(window->list());
    }
    for (int wait = 0; wait < 100 && OpenSockets(service->pid()) != alone; ++wait) {
        ::usleep(50 * 1000);
    }
    ASSERT_EQ(OpenSockets(service->pid()), alone) << "the service still holds the window's connection";
    EXPECT_EQ(test::RunToEnd(writer, {marker}).execError, EPERM);
    EXPECT_FALSE(std::filesystem::exists(marker));

    auto next = greeted();
    const auto report = next->receive();
    ASSERT_TRUE(report && std::holds_alternative<protocol::ExecutionReported>(*report));
    EXPECT_EQ(std::get<protocol::ExecutionReported>(*report).kind, protocol::ReportKind::Refused);
    EXPECT_EQ(std::get<protocol::ExecutionReported>(*report).path, writer);

    // An empty set (the watch Stopped) lets it run at once.
    ASSERT_TRUE(next->send(protocol::KillSet{2, {}, {}}));
    ASSERT_TRUE(next->list());
    EXPECT_EQ(test::RunToEnd(writer, {marker}).exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(marker));
}

TEST(GuardPeerRole, ConnectsAsTheUserItRunsAs) {
    const char* socket = std::getenv("KORVANE_PEER_SOCKET");
    const char* expect = std::getenv("KORVANE_PEER_EXPECT");
    if (socket == nullptr || expect == nullptr) {
        GTEST_SKIP() << "runs only as the child of GuardServiceTest.PeerOutsideTheGroupIsRefused";
    }
    test::RawGuardClient client(socket);
    ASSERT_TRUE(client.connected());
    if (std::string(expect) == "admitted") {
        EXPECT_TRUE(client.greet());
        EXPECT_TRUE(client.list());
    } else {
        client.send(protocol::Hello{});
        EXPECT_FALSE(client.receive());
        EXPECT_TRUE(client.closedBy());
    }
}

TEST_F(GuardServiceTest, PeerOutsideTheGroupIsRefused) {
    // Open the socket's mode, so that the service's own check is what refuses.
    ASSERT_EQ(::chmod(socket.c_str(), 0666), 0);
    std::filesystem::permissions(folder.path(), std::filesystem::perms::all);
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    for (const bool member : {false, true}) {
        const auto command = test::AsNobody({self, "--gtest_filter=GuardPeerRole.ConnectsAsTheUserItRunsAs"},
                                            member ? std::optional<gid_t>(test::kGuardGroupId) : std::nullopt);
        test::ChildProcess peer(
            command.front(), std::vector<std::string>(command.begin() + 1, command.end()),
            {"KORVANE_PEER_SOCKET=" + socket, std::string("KORVANE_PEER_EXPECT=") + (member ? "admitted" : "refused")});
        ASSERT_TRUE(peer.waitEnded(30000));
        EXPECT_EQ(peer.exitCode(), 0) << (member ? "member" : "outsider");
    }
}

// Every kill keeps a pidfd until its process has ended; then it must go, or a service
// that ends programs all day runs out of descriptors.
TEST_F(GuardServiceTest, ProcessesEndedThroughTheServiceLeaveNoDescriptorsBehind) {
    constexpr int kChildren = 20;
    const std::string program = folder.file("doomed");
    test::CopySleepBinary(program);
    std::vector<std::unique_ptr<test::ChildProcess>> children;
    for (int i = 0; i < kChildren; ++i) {
        children.push_back(std::make_unique<test::ChildProcess>(program, std::vector<std::string>{"60"}));
    }
    auto client = greeted();
    ASSERT_TRUE(client->list());
    const std::ptrdiff_t holding = OpenDescriptors(service->pid(), "anon_inode:[pidfd]");
    for (const auto& child : children) {
        EXPECT_EQ(kill(*client, IdentityOf(child->pid())), protocol::KillOutcome::Signalled);
        ASSERT_TRUE(child->waitEnded(5000));
    }
    std::ptrdiff_t left = holding;
    for (int wait = 0; wait < 50 && left > holding - kChildren; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_TRUE(client->list());
        left = OpenDescriptors(service->pid(), "anon_inode:[pidfd]");
    }
    EXPECT_LE(left, holding - kChildren);
}

} // namespace
} // namespace korvane
