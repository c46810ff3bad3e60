#include "tests/support/program_run.h"

#include <filesystem>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace korvane::test {

ProgramRun RunToEnd(const std::string& executable, const std::vector<std::string>& arguments) {
    std::vector<std::string> texts{executable};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : texts) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    // glibc's posix_spawn returns only once the exec has succeeded or failed, with
    // its error.
    ProgramRun run;
    run.execError = ::posix_spawn(&pid, executable.c_str(), nullptr, nullptr, argv.data(), environ);
    if (run.execError != 0) {
        return run;
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        run.exitCode = WEXITSTATUS(status);
    }
    return run;
}

void CopyMarkerWriter(const std::string& path) {
    std::filesystem::copy_file("/bin/touch", path, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

} // namespace korvane::test
