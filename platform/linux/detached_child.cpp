#include "platform/linux/detached_child.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <string_view>

#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/linux/descriptor_limit.h"

namespace korvane::linux_proc {

namespace {

// Where exec would find `program`; looked up before the fork, since the child of a
// program with threads may only make async-signal-safe calls.
std::optional<std::string> Resolve(const std::string& program) {
    if (program.find('/') != std::string::npos) {
        return program;
    }
    const char* path = std::getenv("PATH");
    std::string_view folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!folders.empty()) {
        const std::size_t colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        const std::string candidate = std::string(folder.empty() ? "." : folder) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
    }
    return std::nullopt;
}

// In the grandchild, between fork and exec: only async-signal-safe calls. A failed
// exec writes its errno into `report`, which closes by itself when exec succeeds.
[[noreturn]] void BecomeProgram(const char* path, char* const* argv, int report) {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (const int handled : {SIGTERM, SIGHUP, SIGINT, SIGPIPE, SIGCHLD}) {
        ::signal(handled, SIG_DFL);
    }
    RestoreStartingDescriptorLimit();
    // Held pidfds, sockets and locked files are this process's business only.
    ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    ::execv(path, argv);
    const int error = errno;
    [[maybe_unused]] const ssize_t written = ::write(report, &error, sizeof error);
    ::_exit(127);
}

} // namespace

bool StartDetached(const std::string& program, const std::vector<std::string>& arguments) {
    const std::optional<std::string> path = Resolve(program);
    if (!path) {
        return false;
    }
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        return false;
    }
    const pid_t middle = ::fork();
    if (middle == 0) {
        // The middle child leaves at once: the program becomes init's child.
        ::close(report[0]);
        ::setsid();
        const pid_t started = ::fork();
        if (started == 0) {
            BecomeProgram(path->c_str(), argv.data(), report[1]);
        }
        if (started < 0) {
            const int error = errno;
            [[maybe_unused]] const ssize_t written = ::write(report[1], &error, sizeof error);
        }
        ::_exit(0);
    }
    ::close(report[1]);
    if (middle < 0) {
        ::close(report[0]);
        return false;
    }
    while (::waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got = 0;
    do {
        got = ::read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    return got == 0;
}

} // namespace korvane::linux_proc
