#include "engine/file_rewrite.h"

#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/file_descriptor.h"
#include "engine/file_error.h"
#include "engine/file_replacement.h"
#include "engine/regular_file.h"

namespace korvane {

namespace {

// A renamed file stands in for the original only if nothing else refers to the old
// one: no symbolic link in between, no second hard link.
bool ReplaceableByRename(const std::string& path, const struct stat& target) {
    struct stat link {};
    return S_ISREG(target.st_mode) && target.st_nlink == 1 && ::lstat(path.c_str(), &link) == 0 &&
           !S_ISLNK(link.st_mode);
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
    if (::lseek(fd, 0, SEEK_SET) != 0 || !WriteAll(fd, contents) || ::ftruncate(fd, size) != 0 || ::fsync(fd) != 0) {
        throw FileError::writeFailed(path);
    }
}

} // namespace

void RewriteFile(const std::string& path, std::string_view contents) {
    // Opening the file itself for writing decides whether it may be written: a read-only
    // file in a writable folder must stay untouched, which a rename alone would not do.
    Descriptor target = OpenRegularFile(path, O_WRONLY);
    struct stat info {};
    if (!target.valid() || ::fstat(target.get(), &info) != 0) {
        throw FileError::cannotCreate(path);
    }
    if (ReplaceableByRename(path, info)) {
        if (std::optional<FileReplacement> replacement = FileReplacement::Begin(path, info.st_mode)) {
            replacement->write(contents);
            replacement->commit();
            return;
        }
    }
    RewriteInPlace(path, target.get(), contents);
    if (!target.close()) {
        throw FileError::writeFailed(path);
    }
}

} // namespace korvane
