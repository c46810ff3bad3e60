#include "platform/linux/linux_instance_lock.h"

#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
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

std::string LockFilePath(const std::string& title) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') {
        return std::string(runtime) + "/" + FileNameOf(title) + ".lock";
    }
    // /tmp is shared by all users: the user id keeps one user's lock from blocking another's.
    return "/tmp/" + FileNameOf(title) + "-" + std::to_string(::getuid()) + ".lock";
}

} // namespace

LinuxInstanceLock::~LinuxInstanceLock() {
    for (const auto& [title, fd] : held_) {
        ::close(fd);
    }
}

bool LinuxInstanceLock::acquire(const std::string& title) {
    if (held_.contains(title)) {
        return true;
    }
    // Close-on-exec, so programs started later never hold the lock; no-follow, so a
    // link planted in a shared folder cannot redirect the file.
    const int fd =
        ::open(LockFilePath(title).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, S_IRUSR | S_IWUSR);
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
