#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <QCoreApplication>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "bench/ratio_reporter.h"
#include "bench/rig_main.h"
#include "bench/snapshot_timing.h"
#include "engine/process_snapshot.h"
#include "platform/guard_client/guard_platform.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/linux_process_table.h"
#include "service/guard_processes.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace korvane;

constexpr int kChildren = 300;

// The real service as root on a socket of its own, 300 extra sleeping processes, and
// the window's process services connected to the service.
struct Rig {
    Rig() {
        const std::string sleeper = bins.file("sleeper");
        test::CopySleepBinary(sleeper);
        for (int i = 0; i < kChildren; ++i) {
            children.push_back(std::make_unique<test::ChildProcess>(sleeper, std::vector<std::string>{"600"}));
        }
        service = std::make_unique<test::ChildProcess>(
            KORVANE_GUARD, std::vector<std::string>{"--socket", socket, "--group", "users"});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!UseGuardService(platform, socket) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    test::TempFolder bins;
    std::string socket = bins.file("guard.sock");
    std::vector<std::unique_ptr<test::ChildProcess>> children;
    std::unique_ptr<test::ChildProcess> service;
    PlatformServices platform = MakeLinuxPlatform();
};

Rig* rig = nullptr;

// The window's snapshot read from /proc by itself, its identities held by pidfds.
void LocalSnapshot(benchmark::State& state) {
    LinuxProcessTable table;
    ProcessSnapshot snapshot(table);
    snapshot.RefreshTaskListNT();
    bench::TimeSnapshots(state, snapshot);
}
BENCHMARK(LocalSnapshot)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The same snapshot asked of the service: its reading of /proc, the frames, and the
// window's decoding. Real time: the service's work is done in another process.
void ServiceSnapshot(benchmark::State& state) {
    ProcessSnapshot snapshot(*rig->platform.processes);
    if (!snapshot.RefreshTaskListNT()) {
        state.SkipWithError("the service does not answer");
        return;
    }
    bench::TimeSnapshots(state, snapshot);
}
BENCHMARK(ServiceSnapshot)->Unit(benchmark::kMicrosecond)->UseRealTime();

// What the service does when it cannot answer from the table it keeps (events lost,
// none subscribed, or the table a minute old): /proc read afresh into frames' worth of
// parts, in this process.
void ServiceReadingAfresh(benchmark::State& state) {
    guard::GuardProcesses processes;
    std::size_t count = 0;
    for (auto _ : state) {
        const auto parts = processes.list(false);
        count = 0;
        for (const auto& part : parts) {
            count += part.entries.size();
        }
    }
    bench::CountProcesses(state, count);
}
BENCHMARK(ServiceReadingAfresh)->Unit(benchmark::kMicrosecond)->UseRealTime();

int ConnectTo(const std::string& path) {
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(socket);
        return -1;
    }
    return socket;
}

// Window requests while two threads flood the socket with garbage, each connection
// sending 64 KiB of random bytes: the share of requests answered.
void AnsweredUnderFlood(benchmark::State& state) {
    std::atomic<bool> flooding = true;
    std::atomic<long> floods = 0;
    const auto flood = [&](unsigned seed) {
        std::mt19937 random(seed);
        std::vector<unsigned char> garbage(64 * 1024);
        while (flooding) {
            for (unsigned char& b : garbage) {
                b = static_cast<unsigned char>(random());
            }
            if (const int socket = ConnectTo(rig->socket); socket >= 0) {
                ::send(socket, garbage.data(), garbage.size(), MSG_NOSIGNAL);
                ::close(socket);
                ++floods;
            }
        }
    };
    std::thread first(flood, 1u);
    std::thread second(flood, 2u);
    long asked = 0;
    long answered = 0;
    for (auto _ : state) {
        ++asked;
        answered += rig->platform.processes->enumerate() ? 1 : 0;
    }
    flooding = false;
    first.join();
    second.join();
    state.counters["answered_pct"] = 100.0 * static_cast<double>(answered) / static_cast<double>(asked);
    state.counters["flood_connections"] = static_cast<double>(floods);
}
BENCHMARK(AnsweredUnderFlood)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(2000);

void PrintRatios(const bench::RatioReporter::Runs& runs) {
    using bench::RatioReporter;
    const double local = RatioReporter::Counter(runs, "LocalSnapshot", "per_process");
    const double service = RatioReporter::Counter(runs, "ServiceSnapshot", "per_process");
    if (local > 0 && service > 0) {
        std::printf("snapshot through the service / local snapshot, per process: %.2f (goal <= 2)\n", service / local);
    }
    const double afresh = RatioReporter::Counter(runs, "ServiceReadingAfresh", "per_process");
    if (local > 0 && afresh > 0) {
        std::printf("the service reading /proc afresh (when it cannot answer from the table it keeps) / local "
                    "snapshot, per process: %.2f\n",
                    afresh / local);
    }
    if (runs.contains("AnsweredUnderFlood")) {
        std::printf("requests answered while garbage floods the socket: %.1f %% (goal 100 %%)\n",
                    RatioReporter::Counter(runs, "AnsweredUnderFlood", "answered_pct"));
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    korvane::bench::RatioReporter reporter(PrintRatios);
    return korvane::bench::RunWithRig(argc, argv, rig, &reporter);
}
