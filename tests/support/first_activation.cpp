#include "tests/support/first_activation.h"

#include <chrono>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace korvane::test {

bool LockedByOthers(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_len = 1;
    const bool locked = ::fcntl(fd, F_OFD_GETLK, &range) == 0 && range.l_type != F_UNLCK;
    ::close(fd);
    return locked;
}

bool WaitForFirstActivation(ChildProcess& korvane, const std::string& seal) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!LockedByOthers(seal) && std::chrono::steady_clock::now() < deadline && !korvane.ended()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return LockedByOthers(seal);
}

} // namespace korvane::test
