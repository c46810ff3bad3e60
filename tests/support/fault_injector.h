#pragma once

#include <functional>

namespace korvane::test {

// How a forked run ended.
struct ForkedRun {
    bool traced = false;   // false: the system refused to trace the child; nothing ran
    int writeSteps = 0;    // system calls that change files, counted up to the end or the fault
    bool exited = false;   // the work returned (or threw) and the child exited
    int exitCode = -1;     // the work's result when it exited; kThrew when it threw
    bool faultHit = false; // the chosen write step was failed, or the child killed at it
};

inline constexpr int kThrew = 99;

// What happens at the chosen write step.
enum class WriteFault {
    Fail,  // the call fails with EIO without being made, and the work goes on
    Crash, // the child is killed before the call is made, as by a power cut or SIGKILL
};

// Runs `work` in a forked child traced with ptrace and applies `fault` at its
// `faultAt`-th write step (1-based; 0: none). Write steps are the system calls that
// change files, made through the C library (the program's own calls; those a sanitizer
// runtime makes directly, such as its probes of memory through a pipe, are left
// alone): opening for writing or creating, write, truncate, reserve, flush to disk,
// rename, unlink, and changes of mode, owner or time. The child exits with the work's
// result; nothing of the child's runs in this process.
ForkedRun RunWithWriteFault(const std::function<int()>& work, int faultAt, WriteFault fault = WriteFault::Fail);

} // namespace korvane::test
