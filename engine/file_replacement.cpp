#include "engine/file_replacement.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>

#include "engine/file_error.h"

namespace korvane {

namespace {

constexpr std::string_view kTemporaryMark = ".partial-";
constexpr std::size_t kTemporaryRandom = 6; // the X's of mkostemp

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool FlushFolder(const std::string& folder) {
    Descriptor handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!handle.valid()) {
        return false;
    }
    // Some file systems cannot flush a folder; their renames are as durable as they get.
    return ::fsync(handle.get()) == 0 || errno == EINVAL || errno == ENOTSUP;
}

std::optional<FileReplacement> FileReplacement::Begin(const std::string& path, mode_t newFileMode) {
    std::string temporary = path + std::string(kTemporaryMark) + std::string(kTemporaryRandom, 'X');
    Descriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!file.valid()) {
        return std::nullopt;
    }
    FileReplacement replacement(path, std::move(temporary), std::move(file));
    const int fd = replacement.file_.get();
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0) {
        if (errno != ENOENT || ::fchmod(fd, newFileMode & 07777) != 0) {
            return std::nullopt;
        }
        return replacement;
    }
    struct stat made {};
    const bool sameOwner = ::fstat(fd, &made) == 0 && ((made.st_uid == target.st_uid && made.st_gid == target.st_gid) ||
                                                       ::fchown(fd, target.st_uid, target.st_gid) == 0);
    // After the owner: changing the owner clears set-id bits.
    if (!sameOwner || ::fchmod(fd, target.st_mode & 07777) != 0) {
        return std::nullopt;
    }
    return replacement;
}

FileReplacement FileReplacement::Create(const std::string& path, mode_t newFileMode) {
    std::optional<FileReplacement> replacement = Begin(path, newFileMode);
    if (!replacement) {
        throw FileError::cannotCreate(path);
    }
    return std::move(*replacement);
}

void FileReplacement::RemoveLeftovers(const std::string& path) {
    const std::string folder = FolderOf(path);
    const std::string prefix = path.substr(path.rfind('/') + 1) + std::string(kTemporaryMark);
    std::error_code error;
    bool removed = false;
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        const bool temporaryName =
            name.size() == prefix.size() + kTemporaryRandom && name.starts_with(prefix) &&
            std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(), [](char c) {
                return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
            });
        if (temporaryName && std::filesystem::is_regular_file(entry.symlink_status(error))) {
            removed = ::unlink(entry.path().c_str()) == 0 || removed;
        }
    }
    if (removed) {
        FlushFolder(folder);
    }
}

FileReplacement::FileReplacement(std::string path, std::string temporary, Descriptor file)
    : path_(std::move(path)), temporary_(std::move(temporary)), file_(std::move(file)) {}

FileReplacement::FileReplacement(FileReplacement&& other) noexcept
    : path_(std::move(other.path_)), temporary_(std::exchange(other.temporary_, {})), file_(std::move(other.file_)) {}

FileReplacement::~FileReplacement() {
    discard();
}

void FileReplacement::discard() noexcept {
    file_.close();
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

void FileReplacement::write(std::string_view bytes) {
    if (!file_.valid() || !WriteAll(file_.get(), bytes)) {
        throw FileError::writeFailed(path_);
    }
}

void FileReplacement::flush() {
    if (!file_.valid() || ::fsync(file_.get()) != 0) {
        throw FileError::writeFailed(path_);
    }
}

void FileReplacement::commit() {
    flush();
    if (!file_.close() || ::rename(temporary_.c_str(), path_.c_str()) != 0) {
        discard();
        throw FileError::writeFailed(path_);
    }
    temporary_.clear();
    if (!FlushFolder(FolderOf(path_))) {
        throw FileError::writeFailed(path_);
    }
}

} // namespace korvane
