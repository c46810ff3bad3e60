#include "platform/linux/linux_file_locker.h"

#include <fcntl.h>
#include <unistd.h>

namespace korvane {

namespace {

bool SetRangeLock(int fd, short type, std::uint64_t length) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = 0;
    range.l_len = static_cast<off_t>(length);
    range.l_pid = 0; // required for open-file-description locks
    return ::fcntl(fd, F_OFD_SETLK, &range) == 0;
}

class OfdLock : public FileLock {
public:
    OfdLock(int fd, std::uint64_t length) : fd_(fd), length_(length) {}
    ~OfdLock() override {
        SetRangeLock(fd_, F_UNLCK, length_);
        ::close(fd_);
    }
    OfdLock(const OfdLock&) = delete;
    OfdLock& operator=(const OfdLock&) = delete;

private:
    int fd_;
    std::uint64_t length_;
};

} // namespace

std::unique_ptr<FileLock> LinuxFileLocker::lockFile(const std::string& path, std::uint64_t length) {
    // Non-blocking, so that a FIFO put in a file's place cannot hang the start.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return nullptr;
    }
    if (!SetRangeLock(fd, F_RDLCK, length)) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<OfdLock>(fd, length);
}

} // namespace korvane
