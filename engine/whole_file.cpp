#include "engine/whole_file.h"

#include <filesystem>
#include <fstream>

#include "engine/file_byte_stream.h"
#include "engine/file_error.h"
#include "engine/file_rewrite.h"

namespace korvane {

std::string ReadWholeFile(const std::string& path) {
    FileByteStream stream(path);
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(stream.size()));
    char buffer[65536];
    while (const std::size_t count = stream.read(buffer, sizeof buffer)) {
        bytes.append(buffer, count);
    }
    return bytes;
}

std::optional<std::string> ReadFileIfExists(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return std::nullopt;
    }
    return ReadWholeFile(path);
}

bool PathExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

void WriteWholeFile(const std::string& path, std::string_view contents) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        // RewriteFile only replaces existing files; an empty one is made first.
        std::ofstream created(path, std::ios::binary);
        if (!created) {
            throw FileError::cannotCreate(path);
        }
    }
    RewriteFile(path, contents);
}

} // namespace korvane
