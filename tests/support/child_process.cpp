#include "tests/support/child_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace korvane::test {

ChildProcess::ChildProcess(const std::string& executable, const std::vector<std::string>& arguments) {
    std::vector<std::string> args{executable};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, executable.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
        throw std::runtime_error("cannot start " + executable);
    }
}

ChildProcess::~ChildProcess() {
    if (!reaped_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

bool ChildProcess::ended() {
    if (reaped_) {
        return true;
    }
    int status = 0;
    const pid_t result = ::waitpid(pid_, &status, WNOHANG);
    reaped_ = result == pid_ || (result < 0 && errno == ECHILD);
    return reaped_;
}

bool ChildProcess::waitEnded(int milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!ended()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void CopySleepBinary(const std::string& path) {
    std::filesystem::copy_file("/bin/sleep", path, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

} // namespace korvane::test
