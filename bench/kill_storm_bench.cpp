// Soak: the real program, activated, with process events (root), under a storm of
// program starts, one in ten of them Kill-listed. Every start lives 30 s unless the
// guard ends it. Measures how many Kill-listed programs outlive 2 s, their start-to-
// death times, and whether the guard's memory and descriptors stay flat.
//
// Rate and duration: --rate=N (starts a second, default 100) and --seconds=N (default
// 600), or KORVANE_STORM_RATE / KORVANE_STORM_SECONDS.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/epoll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bench/guard_process.h"
#include "bench/ratio_reporter.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace korvane;
using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr int kKillListedEvery = 10;
constexpr auto kLifetime = 30s;
constexpr auto kAliveLimit = 2s;
constexpr auto kWarmUp = 10s;
// Memory and descriptors are compared from here on: by then as many programs run as
// will run at once (they live kLifetime).
constexpr auto kSteady = kLifetime + 10s;

double gRate = 100;
int gSeconds = 600;

double Milliseconds(SteadyClock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[at];
}

pid_t Start(const std::string& path) {
    std::string name = path;
    std::string seconds = std::to_string(std::chrono::seconds(kLifetime).count());
    std::array<char*, 3> argv{name.data(), seconds.data(), nullptr};
    pid_t pid = -1;
    if (::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    return pid;
}

// A Kill-listed start: when it started, and when its pidfd said it had ended.
struct Victim {
    pid_t pid = -1;
    SteadyClock::time_point start;
    std::atomic<SteadyClock::rep> death{0}; // 0: alive
};

// Takes the deaths of the Kill-listed starts on a thread of its own, so that the
// starts keep their pace, and reaps them (the starting thread reaps only the others).
class DeathWatch {
public:
    explicit DeathWatch(std::vector<Victim>& victims)
        : victims_(victims), epoll_(::epoll_create1(EPOLL_CLOEXEC)), thread_([this] { run(); }) {}
    ~DeathWatch() {
        stop_ = true;
        thread_.join();
        ::close(epoll_);
    }
    DeathWatch(const DeathWatch&) = delete;
    DeathWatch& operator=(const DeathWatch&) = delete;

    void watch(std::size_t index) {
        const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, victims_[index].pid, 0));
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = (static_cast<std::uint64_t>(pidfd) << 32) | index;
        ::epoll_ctl(epoll_, EPOLL_CTL_ADD, pidfd, &event);
    }

private:
    void run() {
        std::array<epoll_event, 64> events{};
        while (!stop_) {
            const int count = ::epoll_wait(epoll_, events.data(), static_cast<int>(events.size()), 100);
            const auto now = SteadyClock::now();
            for (int i = 0; i < count; ++i) {
                const std::uint64_t data = events[static_cast<std::size_t>(i)].data.u64;
                const auto pidfd = static_cast<int>(data >> 32);
                Victim& victim = victims_[data & 0xFFFFFFFF];
                victim.death = now.time_since_epoch().count();
                ::epoll_ctl(epoll_, EPOLL_CTL_DEL, pidfd, nullptr);
                ::close(pidfd);
                ::waitpid(victim.pid, nullptr, 0);
            }
        }
    }

    std::vector<Victim>& victims_;
    int epoll_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

struct GuardSample {
    double rssMiB = 0;
    double descriptors = 0;
    double processes = 0;
};

GuardSample Sample(pid_t guard) {
    return {bench::StatusMiB(guard, "VmRSS"), static_cast<double>(bench::OpenDescriptors(guard)),
            static_cast<double>(bench::RunningProcesses())};
}

void KillStorm(benchmark::State& state) {
    if (::geteuid() != 0) {
        state.SkipWithError("the storm needs root: the guard must subscribe to process events");
        return;
    }
    test::TempFolder folder;
    const std::string victimPath = folder.file("bins/miner");
    const std::string bystanderPath = folder.file("bins/worker");
    std::filesystem::create_directories(folder.file("bins"));
    test::CopySleepBinary(victimPath);
    test::CopySleepBinary(bystanderPath);
    // Kill-listed by a piece of its path, not the whole path: a whole path would have its
    // starts refused before they run, and this measures the kill after the start.
    bench::GuardProcess guard(folder, KORVANE_EXECUTABLE, {bystanderPath}, {"bins/miner"});
    const pid_t korvane = guard.process().pid();
    std::this_thread::sleep_for(kWarmUp);
    if (guard.process().ended()) {
        state.SkipWithError("Korvane ended during its start");
        return;
    }

    const auto starts = static_cast<std::size_t>(gRate * gSeconds);
    std::vector<Victim> victims(starts / kKillListedEvery + 1);
    std::size_t victimCount = 0;
    std::deque<std::pair<pid_t, SteadyClock::time_point>> bystanders;
    GuardSample before;
    GuardSample steady;
    GuardSample end;
    GuardSample drained;
    double cpuSteady = 0;
    double cpuEnd = 0;
    // A short run takes its steady state halfway.
    const auto steadyOffset = std::min<SteadyClock::duration>(kSteady, std::chrono::seconds(gSeconds) / 2);
    for (auto _ : state) {
        DeathWatch deaths(victims);
        before = Sample(korvane);
        const auto begin = SteadyClock::now();
        const auto steadyAt = begin + steadyOffset;
        bool steadyTaken = false;
        for (std::size_t i = 0; i < starts; ++i) {
            const auto due = begin + std::chrono::duration_cast<SteadyClock::duration>(
                                         std::chrono::duration<double>(static_cast<double>(i) / gRate));
            std::this_thread::sleep_until(due);
            if (!steadyTaken && SteadyClock::now() >= steadyAt) {
                steady = Sample(korvane);
                cpuSteady = bench::CpuSeconds(korvane);
                steadyTaken = true;
            }
            if (i % kKillListedEvery == 0) {
                Victim& victim = victims[victimCount];
                victim.start = SteadyClock::now();
                victim.pid = Start(victimPath);
                if (victim.pid > 0) {
                    deaths.watch(victimCount++);
                }
            } else if (const pid_t pid = Start(bystanderPath); pid > 0) {
                bystanders.emplace_back(pid, SteadyClock::now());
            }
            while (!bystanders.empty() && SteadyClock::now() - bystanders.front().second > kLifetime + 1s &&
                   ::waitpid(bystanders.front().first, nullptr, WNOHANG) != 0) {
                bystanders.pop_front();
            }
        }
        end = Sample(korvane);
        cpuEnd = bench::CpuSeconds(korvane);
        // Every start has ended on its own by now; the guard has let go of them all.
        for (const auto& [pid, started] : bystanders) {
            ::waitpid(pid, nullptr, 0);
        }
        std::this_thread::sleep_until(SteadyClock::now() + kLifetime / 10);
        while (std::any_of(victims.begin(), victims.begin() + static_cast<std::ptrdiff_t>(victimCount),
                           [](const Victim& victim) { return victim.death == 0; })) {
            std::this_thread::sleep_for(100ms);
        }
        std::this_thread::sleep_for(3s);
        drained = Sample(korvane);
        state.SetIterationTime(std::chrono::duration<double>(SteadyClock::now() - begin).count());
    }

    std::vector<double> lifetimes;
    double outlived = 0;
    for (std::size_t i = 0; i < victimCount; ++i) {
        const SteadyClock::time_point death{SteadyClock::duration(victims[i].death.load())};
        lifetimes.push_back(Milliseconds(death - victims[i].start));
        outlived += death - victims[i].start > kAliveLimit ? 1 : 0;
    }
    const double steadySeconds = gSeconds - std::chrono::duration<double>(steadyOffset).count();
    state.counters["starts"] = static_cast<double>(starts);
    state.counters["kill_listed"] = static_cast<double>(victimCount);
    state.counters["alive_after_2s"] = outlived;
    state.counters["p50_ms"] = Percentile(lifetimes, 0.50);
    state.counters["p99_ms"] = Percentile(lifetimes, 0.99);
    state.counters["max_ms"] = Percentile(lifetimes, 1.0);
    state.counters["rss_before"] = before.rssMiB;
    state.counters["rss_steady"] = steady.rssMiB;
    state.counters["rss_end"] = end.rssMiB;
    state.counters["rss_drained"] = drained.rssMiB;
    // The guard holds a pidfd for every process on the machine, and other sessions'
    // processes come and go: what it holds beyond one per process is what must not grow.
    state.counters["fd_extra_before"] = before.descriptors - before.processes;
    state.counters["fd_extra_steady"] = steady.descriptors - steady.processes;
    state.counters["fd_extra_end"] = end.descriptors - end.processes;
    state.counters["fd_extra_drained"] = drained.descriptors - drained.processes;
    state.counters["cpu_percent"] = 100 * (cpuEnd - cpuSteady) / steadySeconds;
    ::kill(korvane, SIGTERM);
    guard.process().waitEnded(10000);
}
BENCHMARK(KillStorm)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void PrintRatios(const bench::RatioReporter::Runs& runs) {
    using bench::RatioReporter;
    if (!runs.contains("KillStorm")) {
        return;
    }
    const auto counter = [&](const char* name) { return RatioReporter::Counter(runs, "KillStorm", name); };
    std::printf("%.0f starts at %.0f a second for %d s, %.0f Kill-listed, each living %lld s unless ended\n",
                counter("starts"), gRate, gSeconds, counter("kill_listed"),
                static_cast<long long>(std::chrono::seconds(kLifetime).count()));
    std::printf("Kill-listed alive 2 s after their start: %.0f (goal 0)\n", counter("alive_after_2s"));
    std::printf("start to death: p99 %.1f ms (goal <= 50 ms); p50 %.1f ms, max %.1f ms\n", counter("p99_ms"),
                counter("p50_ms"), counter("max_ms"));
    std::printf("resident memory from the steady state to the end: %.1f -> %.1f MiB, growth %.2f MiB (goal <= 2 MB); "
                "before the storm %.1f MiB, after it %.1f MiB\n",
                counter("rss_steady"), counter("rss_end"), counter("rss_end") - counter("rss_steady"),
                counter("rss_before"), counter("rss_drained"));
    std::printf("descriptors beyond one per process: %.0f before the storm, %.0f after it, growth %.0f (goal none); "
                "%.0f at the steady state, %.0f at the end (processes started since the guard's last reading "
                "count against it)\n",
                counter("fd_extra_before"), counter("fd_extra_drained"),
                counter("fd_extra_drained") - counter("fd_extra_before"), counter("fd_extra_steady"),
                counter("fd_extra_end"));
    std::printf("CPU of the guard from the steady state to the end: %.1f %% of a core\n", counter("cpu_percent"));
}

// "--name=value" from the command line, else the environment variable, else nothing.
const char* Setting(int& argc, char** argv, const std::string& name, const char* variable) {
    const std::string prefix = "--" + name + "=";
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]).starts_with(prefix)) {
            const char* value = argv[i] + prefix.size();
            std::copy(argv + i + 1, argv + argc, argv + i);
            --argc;
            return value;
        }
    }
    return std::getenv(variable);
}

} // namespace

int main(int argc, char** argv) {
    if (const char* rate = Setting(argc, argv, "rate", "KORVANE_STORM_RATE")) {
        gRate = std::atof(rate);
    }
    if (const char* seconds = Setting(argc, argv, "seconds", "KORVANE_STORM_SECONDS")) {
        gSeconds = std::atoi(seconds);
    }
    if (gRate <= 0 || gSeconds <= 0) {
        return 1;
    }
    return korvane::bench::RunWithRatios(argc, argv, PrintRatios);
}
