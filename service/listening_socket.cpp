#include "service/listening_socket.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "service/guard_options.h"

namespace korvane::guard {

namespace {

// systemd's socket activation: LISTEN_PID names this process, the sockets start at 3.
int ActivatedSocket() {
    const char* pid = std::getenv("LISTEN_PID");
    const char* count = std::getenv("LISTEN_FDS");
    if (pid == nullptr || count == nullptr || std::atoi(pid) != ::getpid() || std::atoi(count) < 1) {
        return -1;
    }
    constexpr int kFirstPassed = 3;
    ::fcntl(kFirstPassed, F_SETFD, FD_CLOEXEC);
    ::fcntl(kFirstPassed, F_SETFL, ::fcntl(kFirstPassed, F_GETFL) | O_NONBLOCK);
    return kFirstPassed;
}

std::string Failure(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

} // namespace

int OpenListeningSocket(const std::string& path, std::optional<gid_t> group, bool& activated, std::string& error) {
    if (const int passed = ActivatedSocket(); passed >= 0) {
        activated = true;
        return passed;
    }
    activated = false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        error = "socket path too long: " + path;
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    if (path == kDefaultSocket) {
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    }
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) {
            error = "not a socket, left alone: " + path;
            return -1;
        }
        ::unlink(path.c_str());
    }
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listener < 0) {
        error = Failure("cannot make a socket for", path);
        return -1;
    }
    // Made with no access at all, opened up only once owner and group are right.
    const mode_t previous = ::umask(0777);
    const bool bound = ::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::umask(previous);
    // Only root can hand the socket to the group; a service started by anyone else
    // (which no window trusts) keeps it to itself.
    const bool root = ::geteuid() == 0;
    if (!root) {
        group.reset();
    }
    if (!bound || (root && ::chown(path.c_str(), 0, group.value_or(0)) != 0) ||
        ::chmod(path.c_str(), group ? 0660 : 0600) != 0 || ::listen(listener, SOMAXCONN) != 0) {
        error = Failure("cannot listen on", path);
        ::close(listener);
        return -1;
    }
    return listener;
}

} // namespace korvane::guard
