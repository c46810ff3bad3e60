#include "platform/linux/proc_files.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <dirent.h>
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

std::optional<ProcStat> ReadStat(int pid) {
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
    buffer[length] = '\0';
    // The command name (field 2) may hold blanks and parentheses: count fields
    // from the last ")".
    const char* nameEnd = static_cast<const char*>(::memrchr(buffer, ')', static_cast<std::size_t>(length)));
    if (nameEnd == nullptr) {
        return std::nullopt;
    }
    // Fields 3 and on, each after one blank; `at` is the blank before field `current`.
    const char* at = nameEnd + 1;
    const auto field = [&](int wanted, int& current) -> std::optional<unsigned long long> {
        for (; current < wanted; ++current) {
            at = std::strchr(at + 1, ' ');
            if (at == nullptr) {
                return std::nullopt;
            }
        }
        char* end = nullptr;
        errno = 0;
        const unsigned long long value = std::strtoull(at + 1, &end, 10);
        if (errno != 0 || end == at + 1) {
            return std::nullopt;
        }
        return value;
    };
    const bool zombie = nameEnd[1] == ' ' && nameEnd[2] == 'Z';
    int current = 3;
    const auto flags = field(9, current);
    const auto startTime = flags ? field(22, current) : std::nullopt;
    if (!startTime) {
        return std::nullopt;
    }
    constexpr unsigned long long kKernelThreadFlag = 0x00200000; // PF_KTHREAD
    // Set before the image is let go and long before the process turns zombie.
    constexpr unsigned long long kExitingFlag = 0x00000004; // PF_EXITING
    return ProcStat{*startTime, (*flags & kKernelThreadFlag) != 0, zombie || (*flags & kExitingFlag) != 0};
}

namespace {

// A link of /proc that names a file: the path the kernel reports, cut of its
// " (deleted)" marker.
std::optional<std::string> FileLinkTarget(const char* link) {
    std::string target(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink(link, target.data(), target.size());
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

} // namespace

std::optional<std::string> ExecutablePath(int pid) {
    return FileLinkTarget(ProcPath(pid, "exe").c_str());
}

std::optional<ThreadImage> RunningThreadImage(int pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task/";
    DIR* folder = ::opendir(tasks.c_str());
    if (folder == nullptr) {
        return std::nullopt;
    }
    std::optional<ThreadImage> found;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name = entry->d_name;
        if (name.empty() || name.front() < '1' || name.front() > '9' || name == std::to_string(pid)) {
            continue;
        }
        std::string link = tasks + std::string(name) + "/exe";
        if (auto path = FileLinkTarget(link.c_str())) {
            found = ThreadImage{std::move(link), std::move(*path)};
            break;
        }
    }
    ::closedir(folder);
    return found;
}

std::optional<std::string> DescriptorPath(int fd) {
    constexpr std::string_view kSelf = "/proc/self/fd/";
    std::array<char, 32> link{};
    char* at = std::copy(kSelf.begin(), kSelf.end(), link.data());
    *std::to_chars(at, link.data() + link.size() - 1, fd).ptr = '\0';
    return FileLinkTarget(link.data());
}

std::optional<std::string> OwnProcessName(int pid) {
    const int fd = ::open(ProcPath(pid, "status").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    // Name and Uid come within the first lines.
    char buffer[1024];
    const ssize_t length = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (length <= 0) {
        return std::nullopt;
    }
    const std::string_view status(buffer, static_cast<std::size_t>(length));
    const auto field = [&](std::string_view key) -> std::optional<std::string_view> {
        const std::size_t at = status.starts_with(key) ? 0 : status.find("\n" + std::string(key));
        if (at == std::string_view::npos) {
            return std::nullopt;
        }
        const std::size_t begin = status.find_first_not_of(" \t", at + (at == 0 ? 0 : 1) + key.size());
        const std::size_t end = status.find('\n', begin);
        if (begin == std::string_view::npos || end == std::string_view::npos) {
            return std::nullopt;
        }
        return status.substr(begin, end - begin);
    };
    const auto name = field("Name:");
    const auto uid = field("Uid:");
    unsigned long realUid = 0;
    if (!name || !uid || std::from_chars(uid->data(), uid->data() + uid->size(), realUid).ec != std::errc() ||
        realUid != ::getuid()) {
        return std::nullopt;
    }
    return std::string(*name);
}

} // namespace korvane::linux_proc
