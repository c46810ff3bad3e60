#include "store/raw_file.h"

#include <cerrno>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/file_error.h"
#include "engine/regular_file.h"

namespace korvane {

RawFile RawFile::OpenRead(const std::string& path) {
    Descriptor file = OpenRegularFile(path, O_RDONLY);
    if (!file.valid()) {
        throw FileError::cannotOpen(path);
    }
    return RawFile(std::move(file), path);
}

RawFile RawFile::Create(const std::string& path) {
    return OpenWrite(path, O_TRUNC, false);
}

RawFile RawFile::CreatePrivate(const std::string& path) {
    return OpenWrite(path, O_TRUNC, true);
}

RawFile RawFile::OverwritePrivate(const std::string& path) {
    return OpenWrite(path, 0, true);
}

RawFile RawFile::OpenWrite(const std::string& path, int flags, bool restrictExisting) {
    Descriptor file = OpenRegularFile(path, O_WRONLY | O_CREAT | O_NOFOLLOW | flags, S_IRUSR | S_IWUSR);
    if (!file.valid() || (restrictExisting && ::fchmod(file.get(), S_IRUSR | S_IWUSR) != 0)) {
        throw FileError::cannotCreate(path);
    }
    return RawFile(std::move(file), path);
}

std::size_t RawFile::read(void* buffer, std::size_t count) {
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(file_.get(), bytes + done, count - done);
        if (got == 0) {
            break;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw FileError::readFailed(path_);
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void RawFile::write(const void* buffer, std::size_t count) {
    if (!WriteAll(file_.get(), std::string_view(static_cast<const char*>(buffer), count))) {
        throw FileError::writeFailed(path_);
    }
}

std::size_t RawFile::size() const {
    struct stat info {};
    if (::fstat(file_.get(), &info) != 0) {
        throw FileError::readFailed(path_);
    }
    return static_cast<std::size_t>(info.st_size);
}

void RawFile::sync() {
    if (::fsync(file_.get()) != 0) {
        throw FileError::writeFailed(path_);
    }
}

void RawFile::truncate(std::size_t length) {
    if (::ftruncate(file_.get(), static_cast<off_t>(length)) != 0) {
        throw FileError::writeFailed(path_);
    }
}

void RawFile::close() {
    if (!file_.close()) {
        throw FileError::writeFailed(path_);
    }
}

} // namespace korvane
