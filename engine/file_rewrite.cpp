#include "engine/file_rewrite.h"

#include <cerrno>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/file_error.h"

namespace korvane {

namespace {

// Closes a descriptor on every path out.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    // Closes now, reporting the error a delayed write may only show here.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view bytes, off_t offset) {
    while (!bytes.empty()) {
        const ssize_t done = ::pwrite(fd, bytes.data(), bytes.size(), offset);
        if (done < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(done));
        offset += done;
    }
    return true;
}

// A renamed file stands in for the original only if nothing else refers to the old
// one: no symbolic link in between, no second hard link.
bool ReplaceableByRename(const std::string& path, const struct stat& target) {
    struct stat link {};
    return S_ISREG(target.st_mode) && target.st_nlink == 1 && ::lstat(path.c_str(), &link) == 0 &&
           !S_ISLNK(link.st_mode);
}

// Writes the contents to a temporary file beside `path` and renames it over `path`.
// Returns false, having changed nothing, when no temporary file with the original's
// owner and permissions can be made; throws when writing it fails.
bool ReplaceByRename(const std::string& path, const struct stat& target, std::string_view contents) {
    std::string temporary = path + ".XXXXXX";
    Descriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.get() < 0) {
        return false;
    }
    struct stat made {};
    const bool sameOwner =
        ::fstat(file.get(), &made) == 0 && ((made.st_uid == target.st_uid && made.st_gid == target.st_gid) ||
                                            ::fchown(file.get(), target.st_uid, target.st_gid) == 0);
    // After the owner: changing the owner clears set-id bits.
    if (!sameOwner || ::fchmod(file.get(), target.st_mode & 07777) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    if (!WriteAll(file.get(), contents, 0) || ::fsync(file.get()) != 0 || !file.close() ||
        ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        throw FileError::writeFailed(path);
    }
    return true;
}

void RewriteInPlace(const std::string& path, int fd, std::string_view contents) {
    const auto size = static_cast<off_t>(contents.size());
    // Reserving first means a full disk fails before the old contents are touched.
    // Filesystems that cannot reserve are written all the same.
    if (size > 0) {
        const int reserved = ::posix_fallocate(fd, 0, size);
        if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL) {
            throw FileError::writeFailed(path);
        }
    }
    if (!WriteAll(fd, contents, 0) || ::ftruncate(fd, size) != 0 || ::fsync(fd) != 0) {
        throw FileError::writeFailed(path);
    }
}

} // namespace

void RewriteFile(const std::string& path, std::string_view contents) {
    // Opening the file itself for writing decides whether it may be written: a read-only
    // file in a writable folder must stay untouched, which a rename alone would not do.
    Descriptor target(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
    struct stat info {};
    if (target.get() < 0 || ::fstat(target.get(), &info) != 0) {
        throw FileError::cannotCreate(path);
    }
    if (ReplaceableByRename(path, info) && ReplaceByRename(path, info, contents)) {
        return;
    }
    RewriteInPlace(path, target.get(), contents);
    if (!target.close()) {
        throw FileError::writeFailed(path);
    }
}

} // namespace korvane
