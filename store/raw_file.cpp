#include "store/raw_file.h"

#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/file_error.h"

namespace korvane {

RawFile RawFile::OpenRead(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        throw FileError::cannotOpen(path);
    }
    return RawFile(file, path);
}

RawFile RawFile::Create(const std::string& path) {
    return CreateFile(path, false);
}

RawFile RawFile::CreatePrivate(const std::string& path) {
    return CreateFile(path, true);
}

RawFile RawFile::CreateFile(const std::string& path, bool restrictExisting) {
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, S_IRUSR | S_IWUSR);
    if (fd < 0) {
        throw FileError::cannotCreate(path);
    }
    if (restrictExisting && ::fchmod(fd, S_IRUSR | S_IWUSR) != 0) {
        ::close(fd);
        throw FileError::cannotCreate(path);
    }
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        ::close(fd);
        throw FileError::cannotCreate(path);
    }
    return RawFile(file, path);
}

RawFile::~RawFile() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

RawFile::RawFile(RawFile&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)), path_(std::move(other.path_)) {}

RawFile& RawFile::operator=(RawFile&& other) noexcept {
    if (this != &other) {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
        file_ = std::exchange(other.file_, nullptr);
        path_ = std::move(other.path_);
    }
    return *this;
}

std::size_t RawFile::read(void* buffer, std::size_t count) {
    const std::size_t got = std::fread(buffer, 1, count, file_);
    if (got < count && std::ferror(file_) != 0) {
        throw FileError::readFailed(path_);
    }
    return got;
}

void RawFile::write(const void* buffer, std::size_t count) {
    if (std::fwrite(buffer, 1, count, file_) != count) {
        throw FileError::writeFailed(path_);
    }
}

void RawFile::close() {
    if (std::fclose(std::exchange(file_, nullptr)) != 0) {
        throw FileError::writeFailed(path_);
    }
}

} // namespace korvane
