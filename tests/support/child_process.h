#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

namespace korvane::test {

// Real child processes for tests against the Linux backend: copies of a harmless
// binary started from a temporary folder, reaped on destruction.
class ChildProcess {
public:
    // `environment` holds "NAME=value" entries that are added to, or replace, this
    // process's environment for the child.
    ChildProcess(const std::string& executable, const std::vector<std::string>& arguments,
                 const std::vector<std::string>& environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    // True once the process has ended (it is reaped then).
    bool ended();
    // Waits up to `milliseconds` for the process to end.
    bool waitEnded(int milliseconds);
    // Once ended: its exit code, or -1 when a signal ended it.
    int exitCode() const { return exitCode_; }

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
    int exitCode_ = -1;
};

// Copies /bin/sleep to `path` (executable), for processes with a path of our own.
void CopySleepBinary(const std::string& path);

} // namespace korvane::test
