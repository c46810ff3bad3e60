#include "engine/file_byte_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/file_error.h"
#include "engine/regular_file.h"
#include "platform/api/file_stamp.h"

namespace korvane {

namespace {

// The digest loop reads 4096 bytes at a time. One system call per 4096 bytes
// costs it measurably; one per 128 KiB no longer does, and the buffer still
// stays in the cache. Reading straight into our own buffer, not through stdio,
// saves a copy of every byte.
constexpr std::size_t kBufferSize = 128 * 1024;
// Page-aligned, the kernel copies into the buffer at full speed.
constexpr std::align_val_t kBufferAlignment{4096};

} // namespace

void FileByteStream::PageAlignedDelete::operator()(std::byte* bytes) const {
    ::operator delete[](bytes, kBufferAlignment);
}

FileByteStream::FileByteStream(std::string path) : path_(std::move(path)) {
    // Only a regular file has contents with an end.
    Descriptor file = OpenRegularFile(path_, O_RDONLY);
    struct stat info {};
    if (!file.valid() || ::fstat(file.get(), &info) != 0) {
        throw FileError::cannotOpen(path_);
    }
    stamp_ = StampOf(info);
    fd_ = file.release();
}

FileByteStream::~FileByteStream() {
    ::close(fd_);
}

std::int64_t FileByteStream::size() {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        throw FileError::readFailed(path_);
    }
    return info.st_size;
}

std::int64_t FileByteStream::position() {
    const off_t filePosition = ::lseek(fd_, 0, SEEK_CUR);
    if (filePosition < 0) {
        throw FileError::readFailed(path_);
    }
    return filePosition - static_cast<std::int64_t>(end_ - next_);
}

void FileByteStream::seek(std::int64_t position) {
    if (::lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0) {
        throw FileError::readFailed(path_);
    }
    next_ = end_ = 0;
}

std::size_t FileByteStream::read(void* buffer, std::size_t count) {
    auto* out = static_cast<std::byte*>(buffer);
    std::size_t done = 0;
    while (done < count && (next_ != end_ || refill())) {
        const std::size_t part = std::min(count - done, end_ - next_);
        std::memcpy(out + done, buffer_.get() + next_, part);
        next_ += part;
        done += part;
    }
    return done;
}

bool FileByteStream::refill() {
    // Emptied first: after a failed read the position is still right for the caller's seek back.
    next_ = end_ = 0;
    if (!buffer_) {
        buffer_.reset(static_cast<std::byte*>(::operator new[](kBufferSize, kBufferAlignment)));
    }
    for (;;) {
        const ssize_t length = ::read(fd_, buffer_.get(), kBufferSize);
        if (length >= 0) {
            end_ = static_cast<std::size_t>(length);
            return end_ != 0;
        }
        if (errno != EINTR) {
            throw FileError::readFailed(path_);
        }
    }
}

} // namespace korvane
