#include "platform/linux/linux_instance_lock.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvane {

namespace {

// The title as a file name: bytes outside [A-Za-z0-9._-] become %XX, so no title
// can reach another folder and different titles never share a file.
std::string FileNameOf(const std::string& title) {
    std::string name;
    for (const char c : title) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || byte == '.' || byte == '_' || byte == '-';
        if (plain) {
            name += c;
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
            name += escaped;
        }
    }
    return name;
}

// A real folder (not a link) owned by `uid` that grants none of the `forbidden`
// permission bits.
bool IsOwnedFolder(const std::string& path, uid_t uid, mode_t forbidden) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == uid &&
           (info.st_mode & forbidden) == 0;
}

// Only the owner may write it; reading does no harm.
constexpr mode_t kOthersWrite = S_IWGRP | S_IWOTH;

// The user's state folder: $XDG_STATE_HOME when it is an absolute path, else
// ~/.local/state; empty when there is no home to put it in.
std::string StateHome() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') {
        return state;
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        const passwd* user = ::getpwuid(::geteuid());
        home = user != nullptr ? user->pw_dir : nullptr;
    }
    return home != nullptr && home[0] == '/' ? std::string(home) + "/.local/state" : std::string();
}

} // namespace

LinuxInstanceLock::LinuxInstanceLock(LockFolderBases bases) : bases_(std::move(bases)) {}

std::optional<std::string> LinuxInstanceLock::lockFolder() const {
    const uid_t uid = ::geteuid();
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0' && IsOwnedFolder(runtime, uid, kOthersWrite)) {
        return runtime;
    }
    const std::string userRun = bases_.run + "/user/" + std::to_string(uid);
    if (IsOwnedFolder(userRun, uid, kOthersWrite)) {
        return userRun;
    }
    if (uid == 0 && IsOwnedFolder(bases_.run, uid, kOthersWrite)) {
        return bases_.run;
    }
    const std::string stateHome = StateHome();
    if (stateHome.empty()) {
        return std::nullopt;
    }
    const std::string own = stateHome + "/korvane";
    std::error_code error;
    std::filesystem::create_directories(stateHome, error);
    if (::mkdir(own.c_str(), S_IRWXU) != 0 && errno != EEXIST) {
        return std::nullopt;
    }
    if (!IsOwnedFolder(own, uid, kOthersWrite)) {
        return std::nullopt;
    }
    return own;
}

LinuxInstanceLock::~LinuxInstanceLock() {
    for (const auto& [title, fd] : held_) {
        ::close(fd);
    }
}

bool LinuxInstanceLock::acquire(const std::string& title) {
    if (held_.contains(title)) {
        return true;
    }
    const std::optional<std::string> folder = lockFolder();
    if (!folder) {
        return false;
    }
    // Close-on-exec, so programs started later never hold the lock; no-follow, so a
    // link at the name cannot redirect the file.
    const std::string path = *folder + "/" + FileNameOf(title) + ".lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, S_IRUSR | S_IWUSR);
    if (fd < 0) {
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    held_.emplace(title, fd);
    return true;
}

} // namespace korvane
