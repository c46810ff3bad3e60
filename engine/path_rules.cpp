#include "engine/path_rules.h"

namespace korvane {

bool InProgramFolder(std::string_view path, std::string_view programFolder) {
    return !programFolder.empty() && path.starts_with(programFolder);
}

bool ListablePath(std::string_view path) {
    return path.find_first_of("\r\n") == std::string_view::npos;
}

bool FullPath(std::string_view path) {
    return path.starts_with('/');
}

std::string FileName(std::string_view path) {
    return std::string(path.substr(path.rfind('/') + 1));
}

} // namespace korvane
