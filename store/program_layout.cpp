#include "store/program_layout.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/whole_file.h"
#include "store/data_files.h"
#include "store/seed_folder.h"

namespace korvane {

namespace {

// "/usr/lib/korvane/" ends with "lib/korvane": the prefix is what comes before.
bool EndsWithFolder(const std::filesystem::path& folder, const std::filesystem::path& tail) {
    auto f = folder.end();
    auto t = tail.end();
    while (t != tail.begin()) {
        if (f == folder.begin() || *--f != *--t) {
            return false;
        }
    }
    return true;
}

std::string WithSeparator(std::string folder) {
    if (!folder.ends_with('/')) {
        folder += '/';
    }
    return folder;
}

} // namespace

ProgramLocation LocateProgram(const std::string& executable, const InstalledLayout& layout,
                              const std::string& dataHome) {
    const std::filesystem::path path(executable);
    const std::string folder = WithSeparator(path.parent_path().string());
    const ProgramLocation portable(executable, folder);
    const std::filesystem::path programFolder = path.parent_path().lexically_normal();
    const std::filesystem::path programDir = std::filesystem::path(layout.programDir).lexically_normal();
    const DataFiles beside(folder);
    if (dataHome.empty() || !EndsWithFolder(programFolder, programDir) || PathExists(beside.dataFolder) ||
        PathExists(beside.settings)) {
        return portable;
    }
    std::filesystem::path prefix = programFolder;
    for (auto part = programDir.begin(); part != programDir.end(); ++part) {
        prefix = prefix.parent_path();
    }
    const std::string resources = WithSeparator((prefix / layout.resourceDir).lexically_normal().string());
    return {executable, folder, WithSeparator(dataHome) + "korvane/", resources};
}

std::string UserDataHome() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return xdg;
    }
    std::string home;
    if (const char* variable = std::getenv("HOME"); variable != nullptr && variable[0] == '/') {
        home = variable;
    } else if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir[0] == '/') {
        home = user->pw_dir;
    }
    return home.empty() ? home : WithSeparator(home) + ".local/share";
}

std::string PrepareUserDataFolder(const std::string& dataFolder, ProcessTable& processes) {
    const std::filesystem::path folder = std::filesystem::path(dataFolder).lexically_normal().parent_path();
    std::error_code error;
    std::filesystem::create_directories(folder.parent_path(), error);
    // chmod after mkdir: the umask may take away what the owner needs.
    if (::mkdir(folder.c_str(), S_IRWXU) == 0) {
        ::chmod(folder.c_str(), S_IRWXU);
    } else if (errno != EEXIST) {
        return "cannot create " + folder.string() + ": " + std::strerror(errno);
    }
    if (PathExists(DataFiles(dataFolder).dataFolder)) {
        return {};
    }
    try {
        SeedFolderForThisMachine(dataFolder, processes);
    } catch (const std::exception& failure) {
        return "cannot seed " + dataFolder + ": " + failure.what();
    }
    return {};
}

} // namespace korvane
