#include "platform/linux/proc_files.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <unistd.h>

namespace korvane::linux_proc {

namespace {

// "/proc/PID/leaf" in a buffer of its own: the snapshot builds two per process,
// and a heap string each showed in its profile.
class ProcPath {
public:
    ProcPath(int pid, std::string_view leaf) {
        constexpr std::string_view kProc = "/proc/";
        char* at = std::copy(kProc.begin(), kProc.end(), text_.data());
        at = std::to_chars(at, text_.data() + text_.size(), pid).ptr;
        *at++ = '/';
        *std::copy(leaf.begin(), leaf.end(), at) = '\0';
    }
    const char* c_str() const { return text_.data(); }

private:
    // "/proc/", at most 11 characters of PID, "/", the leaf ("stat", "exe"), NUL.
    std::array<char, 32> text_{};
};

} // namespace

std::optional<std::uint64_t> StartTime(int pid) {
    const int fd = ::open(ProcPath(pid, "stat").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    char buffer[1024];
    const ssize_t length = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    if (length <= 0) {
        return std::nullopt;
    }
    const std::string_view stat(buffer, static_cast<std::size_t>(length));
    // The command name (field 2) may hold blanks and parentheses: count fields
    // from the last ")".
    const void* nameEnd = ::memrchr(buffer, ')', static_cast<std::size_t>(length));
    if (nameEnd == nullptr) {
        return std::nullopt;
    }
    std::size_t at = static_cast<std::size_t>(static_cast<const char*>(nameEnd) - buffer);
    // Fields 3 to 21 lie between the ")" and the start time.
    for (int field = 3; field <= 22; ++field) {
        at = stat.find(' ', at + 1);
        if (at == std::string_view::npos) {
            return std::nullopt;
        }
    }
    buffer[length] = '\0';
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(buffer + at + 1, &end, 10);
    if (errno != 0 || end == buffer + at + 1) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> ExecutablePath(int pid) {
    const ProcPath link(pid, "exe");
    std::string target(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink(link.c_str(), target.data(), target.size());
        if (length < 0) {
            return std::nullopt;
        }
        if (static_cast<std::size_t>(length) < target.size()) {
            target.resize(static_cast<std::size_t>(length));
            break;
        }
        // No length cap: a long path must not let a process hide.
        target.resize(target.size() * 2);
    }
    constexpr std::string_view kDeleted = " (deleted)";
    if (target.ends_with(kDeleted)) {
        target.resize(target.size() - kDeleted.size());
    }
    return target;
}

} // namespace korvane::linux_proc
