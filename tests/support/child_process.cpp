#include "tests/support/child_process.h"

#include <algorithm>
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

namespace {

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

} // namespace

ChildProcess::ChildProcess(const std::string& executable, const std::vector<std::string>& arguments,
                           const std::vector<std::string>& environment) {
    std::vector<std::string> args{executable};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable = *entry;
        const std::string name = variable.substr(0, variable.find('=') + 1);
        const bool replaced = std::any_of(environment.begin(), environment.end(),
                                          [&](const std::string& mine) { return mine.starts_with(name); });
        if (!replaced) {
            variables.push_back(variable);
        }
    }
    variables.insert(variables.end(), environment.begin(), environment.end());
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(variables);
    if (posix_spawn(&pid_, executable.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) {
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
    if (result == pid_ && WIFEXITED(status)) {
        exitCode_ = WEXITSTATUS(status);
    }
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
