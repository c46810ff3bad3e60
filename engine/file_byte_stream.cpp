#include "engine/file_byte_stream.h"

#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/file_error.h"

namespace korvane {

namespace {

// The digest loop reads 4096 bytes at a time; one system call per 4096 bytes costs
// it measurably, 64 KiB per call no longer does, and larger buffers gain nothing.
constexpr std::size_t kBufferSize = 64 * 1024;

} // namespace

FileByteStream::FileByteStream(std::string path) : path_(std::move(path)) {
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw FileError::cannotOpen(path_);
    }
    struct stat info {};
    // A folder opens on Linux but has no contents to read.
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        throw FileError::cannotOpen(path_);
    }
    file_ = ::fdopen(fd, "rb");
    if (file_ == nullptr) {
        ::close(fd);
        throw FileError::cannotOpen(path_);
    }
    // The stream allocates and owns the buffer; failing to enlarge it only costs speed.
    std::setvbuf(file_, nullptr, _IOFBF, kBufferSize);
}

FileByteStream::~FileByteStream() {
    std::fclose(file_);
}

std::int64_t FileByteStream::size() {
    struct stat info {};
    if (::fstat(::fileno(file_), &info) != 0) {
        throw FileError::readFailed(path_);
    }
    return info.st_size;
}

std::int64_t FileByteStream::position() {
    const off_t position = ::ftello(file_);
    if (position < 0) {
        throw FileError::readFailed(path_);
    }
    return position;
}

void FileByteStream::seek(std::int64_t position) {
    if (::fseeko(file_, static_cast<off_t>(position), SEEK_SET) != 0) {
        throw FileError::readFailed(path_);
    }
}

std::size_t FileByteStream::read(void* buffer, std::size_t count) {
    const std::size_t done = std::fread(buffer, 1, count, file_);
    if (done < count && std::ferror(file_)) {
        // Leaves the stream usable for the caller's seek back.
        std::clearerr(file_);
        throw FileError::readFailed(path_);
    }
    return done;
}

} // namespace korvane
