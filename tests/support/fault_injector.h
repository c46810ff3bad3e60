#pragma once

#include <functional>

namespace korvane::test {

// How a forked run ended.
struct ForkedRun {
    bool traced = false;   // false: the system refused to trace the child; nothing ran
    int writeSteps = 0;    // system calls that change files, counted up to the end or the failure
    bool exited = false;   // the work returned (or threw) and the child exited
    int exitCode = -1;     // the work's result when it exited; kThrew when it threw
    bool faultHit = false; // the chosen write step was made to fail
};

inline constexpr int kThrew = 99;

// Runs `work` in a forked child traced with ptrace and makes its `failAt`-th write
// step (1-based; 0: none) fail with EIO, without doing it. Write steps are the system
// calls that change files: opening for writing or creating, write, truncate, reserve,
// flush to disk, rename, unlink, and changes of mode, owner or time. The child exits
// with the work's result; nothing of the child's runs in this process.
ForkedRun RunWithWriteFault(const std::function<int()>& work, int failAt);

} // namespace korvane::test
