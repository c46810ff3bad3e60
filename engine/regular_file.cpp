#include "engine/regular_file.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>

namespace korvane {

Descriptor OpenRegularFile(const std::string& path, int flags, mode_t mode) {
    Descriptor file(::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, mode));
    if (!file.valid()) {
        return file;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        return Descriptor();
    }
    if (!S_ISREG(info.st_mode)) {
        errno = EINVAL;
        return Descriptor();
    }
    const int status = ::fcntl(file.get(), F_GETFL);
    if (status < 0 || ::fcntl(file.get(), F_SETFL, status & ~O_NONBLOCK) != 0) {
        return Descriptor();
    }
    return file;
}

} // namespace korvane
