#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/proc_files.h"

namespace korvane::linux_proc {

// What the process table asks of the kernel about processes, behind an interface so
// that tests can stage what is hard to make happen on demand: a PID taken over by a
// newcomer, descriptors running out.
class ProcSource {
public:
    virtual ~ProcSource() = default;
    // The numeric entries of /proc in ascending order; nullopt when /proc cannot be read.
    virtual std::optional<std::vector<int>> processIds() = 0;
    // The start time and kind of the process now at `pid`, from /proc/PID/stat.
    virtual std::optional<ProcStat> stat(int pid) = 0;
    // The target of /proc/PID/exe without the kernel's " (deleted)" marker.
    virtual std::optional<std::string> executablePath(int pid) = 0;
    // The image of the process at `pid` as a thread still running reaches it, once
    // its first thread has ended (see RunningThreadImage).
    virtual std::optional<ThreadImage> runningThreadImage(int pid) = 0;
    // The command name of the process at `pid` when it runs as this program's user.
    virtual std::optional<std::string> ownProcessName(int pid) = 0;
    // A close-on-exec descriptor for the process now at `pid` that turns readable once
    // that process has ended (a pidfd); -1 with errno set when none can be had.
    virtual int openHandle(int pid) = 0;
    // Sends `signal` to the process the handle stands for; false when it could not.
    virtual bool sendSignal(int handle, int signal) = 0;
};

// The running kernel's answers: /proc and pidfds.
class KernelProcSource final : public ProcSource {
public:
    std::optional<std::vector<int>> processIds() override;
    std::optional<ProcStat> stat(int pid) override;
    std::optional<std::string> executablePath(int pid) override;
    std::optional<ThreadImage> runningThreadImage(int pid) override;
    std::optional<std::string> ownProcessName(int pid) override;
    int openHandle(int pid) override;
    bool sendSignal(int handle, int signal) override;
};

} // namespace korvane::linux_proc
