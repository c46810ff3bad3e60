#include "store/whole_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/file_error.h"
#include "engine/file_rewrite.h"

namespace korvane {

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw FileError::cannotOpen(path);
    }
    std::string contents{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        throw FileError::readFailed(path);
    }
    return contents;
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
