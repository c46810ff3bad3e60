// A guard in a process of its own, for tests that end that process: it refuses the
// start of the file named by its first argument, holds every decision without end,
// touches the file named by its second argument once it is in force, and waits.
// SIGTERM alone does not end it.
#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>

#include <unistd.h>

#include "engine/kill_set.h"
#include "platform/linux/fanotify_execution_guard.h"

namespace {

void KeepRunning(int) {}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        return 2;
    }
    struct sigaction action {};
    action.sa_handler = KeepRunning;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);

    korvane::FanotifyExecutionGuard::Options options;
    // Only the end of this process may let a start go on.
    options.answerLimit = std::chrono::hours(1);
    options.beforeDecision = [] { std::this_thread::sleep_for(std::chrono::hours(1)); };
    auto guard = korvane::FanotifyExecutionGuard::Create(std::move(options));
    if (!guard) {
        return 3;
    }
    guard->replace(
        std::make_shared<const korvane::KillSet>(1, std::vector<std::string>{argv[1]}, std::vector<std::string>{}));
    if (guard->markedPaths().size() != 1) {
        return 4;
    }
    std::ofstream(argv[2]) << "ready";
    for (;;) {
        ::pause();
    }
}
