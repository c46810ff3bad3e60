#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane::linux_fanotify {

// A file the guard must never refuse to start, and why: refusing it would lock out
// the guard itself, the window, the system's first process or every program.
struct ProtectedExecutable {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::string path;
    std::string reason;
};

class ProtectedExecutables {
public:
    // This process's executable, process 1's, the dynamic loader this process was
    // started with, and each of `windowExecutables`.
    explicit ProtectedExecutables(const std::vector<std::string>& windowExecutables);

    // The protection that covers the file at `path` (device and inode of what it
    // names now), if any: the same file, or the same path.
    const ProtectedExecutable* covering(const std::string& path, std::uint64_t device, std::uint64_t inode) const;

    // A window's executable learned later (a window that connected); once is enough.
    void addWindow(const std::string& path);

private:
    void add(const std::string& path, const std::string& reason);

    std::vector<ProtectedExecutable> files_;
};

// The dynamic loader named in this program's executable; nullopt for a static one.
std::optional<std::string> OwnProgramInterpreter();

} // namespace korvane::linux_fanotify
