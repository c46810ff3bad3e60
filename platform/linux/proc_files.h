#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace korvane::linux_proc {

// Reads of /proc shared by the process table and the terminator.

// What /proc/PID/stat tells about a process's identity.
struct ProcStat {
    std::uint64_t startTime = 0; // field 22: clock ticks since boot
    bool kernelThread = false;   // field 9 holds PF_KTHREAD: never a program with an executable
    bool ending = false;         // field 3 is "Z" or field 9 holds PF_EXITING: no executable left

    bool operator==(const ProcStat&) const = default;
};
std::optional<ProcStat> ReadStat(int pid);
// The target of /proc/PID/exe without the kernel's " (deleted)" marker; nullopt
// when it cannot be read.
std::optional<std::string> ExecutablePath(int pid);
// A process whose first thread has ended runs on in its other threads, while its own
// /proc/PID/exe is gone with that thread: it must not hide that way. The image is
// reached through the link of a thread still running then.
struct ThreadImage {
    std::string link; // /proc/PID/task/TID/exe
    std::string path; // its target, as ExecutablePath gives it
};
std::optional<ThreadImage> RunningThreadImage(int pid);
// The path of the file a descriptor of this process is open on, read from
// /proc/self/fd/FD the same way.
std::optional<std::string> DescriptorPath(int fd);
// The command name of the process when its real user is the one this program runs
// as, from /proc/PID/status (readable even where the executable link is not);
// nullopt for another user's process.
std::optional<std::string> OwnProcessName(int pid);

} // namespace korvane::linux_proc
