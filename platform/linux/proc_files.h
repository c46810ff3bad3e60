#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace korvane::linux_proc {

// Reads of /proc shared by the process table and the terminator.

// The process start time (field 22 of /proc/PID/stat, clock ticks since boot).
std::optional<std::uint64_t> StartTime(int pid);
// The target of /proc/PID/exe without the kernel's " (deleted)" marker; nullopt
// when it cannot be read.
std::optional<std::string> ExecutablePath(int pid);

} // namespace korvane::linux_proc
