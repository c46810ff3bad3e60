#include "engine/pe_version_resource.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/little_endian.h"

namespace korvane {

namespace {

constexpr std::string_view kDosSignature = "MZ";
constexpr std::uint64_t kNewHeaderPointerOffset = 0x3C;
constexpr std::string_view kPeSignature{"PE\0\0", 4};
constexpr std::size_t kFileHeaderSize = 24; // signature and COFF header
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kDirectoryHeaderSize = 16;
constexpr std::size_t kDirectoryEntrySize = 8;
constexpr std::size_t kDataEntrySize = 16;
constexpr std::uint32_t kHighBit = 0x80000000; // a named entry, or a subdirectory
constexpr std::uint32_t kVersionType = 16;     // RT_VERSION
constexpr std::uint32_t kVersionName = 1;      // VS_VERSION_INFO
constexpr std::uint32_t kNeutralLanguage = 0;
constexpr std::uint32_t kUsEnglish = 1033;
constexpr std::uint32_t kMaxVersionResource = 0xFFFF;

struct Section {
    std::uint32_t virtualAddress = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t rawPointer = 0;
};

struct DirectoryEntry {
    std::uint32_t name = 0;
    std::uint32_t target = 0;

    bool hasId(std::uint32_t id) const { return name == id; } // a named entry has the high bit
    bool isSubdirectory() const { return (target & kHighBit) != 0; }
    std::uint32_t offset() const { return target & ~kHighBit; }
};

class PeImage {
public:
    explicit PeImage(const ReadAt& readAt) : readAt_(readAt) {}

    std::optional<std::string> versionResource() {
        if (!readHeaders()) {
            return std::nullopt;
        }
        const std::optional<DirectoryEntry> type = findEntry(0, kVersionType);
        if (!type || !type->isSubdirectory()) {
            return std::nullopt;
        }
        const std::optional<DirectoryEntry> name = findEntry(type->offset(), kVersionName);
        if (!name || !name->isSubdirectory()) {
            return std::nullopt;
        }
        const std::optional<DirectoryEntry> language = chooseLanguage(name->offset());
        // Three levels and no more: a directory pointing back up cannot make this loop.
        if (!language || language->isSubdirectory()) {
            return std::nullopt;
        }
        std::string dataEntry(kDataEntrySize, '\0');
        if (!readResourceDirectory(language->offset(), dataEntry)) {
            return std::nullopt;
        }
        const std::uint32_t dataRva = LittleEndianDword(dataEntry, 0);
        const std::uint32_t dataSize = LittleEndianDword(dataEntry, 4);
        std::string resource(std::min(dataSize, kMaxVersionResource), '\0');
        if (!readRva(dataRva, resource)) {
            return std::nullopt;
        }
        return resource;
    }

private:
    bool read(std::uint64_t offset, std::string& out) { return readAt_(offset, std::span<char>(out)); }

    // The resource directory's place and the section table.
    bool readHeaders() {
        std::string dosHeader(kNewHeaderPointerOffset + 4, '\0');
        if (!read(0, dosHeader) || !dosHeader.starts_with(kDosSignature)) {
            return false;
        }
        const std::uint64_t peHeader = LittleEndianDword(dosHeader, kNewHeaderPointerOffset);
        std::string fileHeader(kFileHeaderSize, '\0');
        if (!read(peHeader, fileHeader) || !fileHeader.starts_with(kPeSignature)) {
            return false;
        }
        const std::uint16_t sectionCount = LittleEndianWord(fileHeader, 6);
        const std::uint16_t optionalHeaderSize = LittleEndianWord(fileHeader, 20);
        std::string optionalHeader(optionalHeaderSize, '\0');
        if (optionalHeaderSize < 2 || !read(peHeader + kFileHeaderSize, optionalHeader)) {
            return false;
        }
        std::size_t directoryCountOffset = 0;
        switch (LittleEndianWord(optionalHeader, 0)) {
        case kPe32Magic:
            directoryCountOffset = 92;
            break;
        case kPe32PlusMagic:
            directoryCountOffset = 108;
            break;
        default:
            return false;
        }
        const std::size_t resourceEntry = directoryCountOffset + 4 + 8 * kResourceDirectoryIndex;
        if (optionalHeader.size() < resourceEntry + 8 ||
            LittleEndianDword(optionalHeader, directoryCountOffset) <= kResourceDirectoryIndex) {
            return false;
        }
        resourceRva_ = LittleEndianDword(optionalHeader, resourceEntry);
        if (resourceRva_ == 0) {
            return false;
        }
        std::string table(std::size_t{sectionCount} * kSectionHeaderSize, '\0');
        if (!read(peHeader + kFileHeaderSize + optionalHeaderSize, table)) {
            return false;
        }
        sections_.reserve(sectionCount);
        for (std::size_t header = 0; header < table.size(); header += kSectionHeaderSize) {
            sections_.push_back({LittleEndianDword(table, header + 12), LittleEndianDword(table, header + 16),
                                 LittleEndianDword(table, header + 20)});
        }
        return true;
    }

    // Reads `out.size()` bytes at the relative virtual address: they must all lie in
    // the file data of one section.
    bool readRva(std::uint64_t rva, std::string& out) {
        for (const Section& section : sections_) {
            if (rva >= section.virtualAddress && rva - section.virtualAddress <= section.rawSize &&
                out.size() <= section.rawSize - (rva - section.virtualAddress)) {
                return read(section.rawPointer + (rva - section.virtualAddress), out);
            }
        }
        return false;
    }

    // Directory offsets count from the start of the resource directory.
    bool readResourceDirectory(std::uint32_t offset, std::string& out) {
        return readRva(std::uint64_t{resourceRva_} + offset, out);
    }

    std::optional<std::vector<DirectoryEntry>> entries(std::uint32_t directory) {
        std::string header(kDirectoryHeaderSize, '\0');
        if (!readResourceDirectory(directory, header)) {
            return std::nullopt;
        }
        const std::size_t count = std::size_t{LittleEndianWord(header, 12)} + LittleEndianWord(header, 14);
        std::string table(count * kDirectoryEntrySize, '\0');
        if (!readRva(std::uint64_t{resourceRva_} + directory + kDirectoryHeaderSize, table)) {
            return std::nullopt;
        }
        std::vector<DirectoryEntry> result;
        result.reserve(count);
        for (std::size_t entry = 0; entry < table.size(); entry += kDirectoryEntrySize) {
            result.push_back({LittleEndianDword(table, entry), LittleEndianDword(table, entry + 4)});
        }
        return result;
    }

    std::optional<DirectoryEntry> findEntry(std::uint32_t directory, std::uint32_t id) {
        const std::optional<std::vector<DirectoryEntry>> list = entries(directory);
        if (!list) {
            return std::nullopt;
        }
        const auto found = std::ranges::find_if(*list, [id](const DirectoryEntry& entry) { return entry.hasId(id); });
        return found == list->end() ? std::nullopt : std::optional<DirectoryEntry>(*found);
    }

    std::optional<DirectoryEntry> chooseLanguage(std::uint32_t directory) {
        const std::optional<std::vector<DirectoryEntry>> list = entries(directory);
        if (!list || list->empty()) {
            return std::nullopt;
        }
        for (const std::uint32_t preferred : {kNeutralLanguage, kUsEnglish}) {
            const auto found = std::ranges::find_if(
                *list, [preferred](const DirectoryEntry& entry) { return entry.hasId(preferred); });
            if (found != list->end()) {
                return *found;
            }
        }
        return list->front();
    }

    const ReadAt& readAt_;
    std::uint32_t resourceRva_ = 0;
    std::vector<Section> sections_;
};

// Closes the descriptor on every way out.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

std::optional<std::string> FindVersionResource(const ReadAt& readAt) {
    return PeImage(readAt).versionResource();
}

std::optional<std::string> FindVersionResource(std::string_view image) {
    return FindVersionResource([image](std::uint64_t offset, std::span<char> out) {
        if (offset > image.size() || out.size() > image.size() - offset) {
            return false;
        }
        image.copy(out.data(), out.size(), offset);
        return true;
    });
}

std::optional<std::string> ReadVersionResource(const std::string& path) {
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info {};
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    const auto size = static_cast<std::uint64_t>(info.st_size);
    return FindVersionResource([&file, size](std::uint64_t offset, std::span<char> out) {
        if (offset > size || out.size() > size - offset) {
            return false;
        }
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t count =
                ::pread(file.get(), out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count <= 0) {
                return false; // a read error, or the file shrank meanwhile
            }
            done += static_cast<std::size_t>(count);
        }
        return true;
    });
}

} // namespace korvane
