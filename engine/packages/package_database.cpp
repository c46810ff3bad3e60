#include "engine/packages/package_database.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <unordered_map>
#include <vector>

#include <sys/stat.h>

#include "engine/file_error.h"
#include "engine/packages/dpkg_diversions.h"
#include "engine/packages/dpkg_status.h"
#include "engine/packages/md5sums_line.h"
#include "engine/whole_file.h"

namespace korvane {

namespace {

constexpr std::string_view kMd5sums = ".md5sums";

std::string Joined(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (!path.ends_with('/')) {
        path += '/';
    }
    path += name;
    return path;
}

// The folder dpkg keeps its database in under `root` ("/" on a running system).
std::string DpkgFolder(const std::string& root) {
    return Joined(root, "var/lib/dpkg");
}

DatabaseStamps::Stamp StampOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return {};
    }
    return {true, info.st_ino, info.st_ctim.tv_sec, info.st_ctim.tv_nsec};
}

// The entries of a folder whose names pass `wanted`, sorted by name; none when it
// cannot be listed.
template <class Wanted> std::vector<std::string> FolderEntries(const std::string& folder, Wanted wanted) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        std::string name = entry->path().filename().string();
        if (wanted(name)) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Reads a file of the database, adding its bytes to the fingerprint. Nothing when it
// is missing or cannot be read (it may be replaced this very moment).
class DatabaseFiles {
public:
    std::optional<std::string> read(const std::string& path) {
        try {
            std::optional<std::string> text = ReadFileIfExists(path);
            mix(path);
            mix(text ? *text : std::string_view("\0", 1));
            return text;
        } catch (const FileError&) {
            mix(path);
            return std::nullopt;
        }
    }
    std::uint64_t fingerprint() const { return fingerprint_; }

private:
    void mix(std::string_view bytes) {
        fingerprint_ = (fingerprint_ ^ std::hash<std::string_view>()(bytes)) * 0x100000001b3ULL + bytes.size();
    }
    std::uint64_t fingerprint_ = 0xcbf29ce484222325ULL;
};

// Folders as dpkg names them ("/bin"), resolved once each through the symbolic links
// that exist under the root into the path the kernel shows ("/usr/bin").
class FolderResolver {
public:
    explicit FolderResolver(const std::string& root) {
        char real[PATH_MAX];
        root_ = ::realpath(root.c_str(), real) != nullptr ? real : root;
        if (root_.ends_with('/')) {
            root_.pop_back(); // "/" becomes "": folders are appended as "/name"
        }
    }

    // `folder` is absolute as dpkg names it, "" for the root itself.
    const std::string& resolve(std::string_view folder) {
        if (const auto known = resolved_.find(folder); known != resolved_.end()) {
            return known->second;
        }
        std::string path;
        if (!folder.empty()) {
            const std::size_t slash = folder.rfind('/');
            path = resolve(folder.substr(0, slash));
            path += '/';
            path += folder.substr(slash + 1);
            struct stat info {};
            char real[PATH_MAX];
            if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) && ::realpath(path.c_str(), real)) {
                path = real;
            }
        } else {
            path = root_;
        }
        return resolved_.emplace(std::string(folder), std::move(path)).first->second;
    }

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
    };
    std::string root_;
    std::unordered_map<std::string, std::string, Hash, std::equal_to<>> resolved_;
};

} // namespace

bool HasPackageDatabase(const std::string& root) {
    std::error_code error;
    return std::filesystem::is_directory(DpkgFolder(root), error);
}

DatabaseStamps ReadDatabaseStamps(const std::string& root) {
    const std::string dpkg = DpkgFolder(root);
    return {StampOf(Joined(dpkg, "info")), StampOf(Joined(dpkg, "status")), StampOf(Joined(dpkg, "updates")),
            StampOf(Joined(dpkg, "diversions"))};
}

PackageDatabase ReadPackageDatabase(const std::string& root) {
    PackageDatabase database;
    database.stamps = ReadDatabaseStamps(root);
    const std::string dpkg = DpkgFolder(root);
    DatabaseFiles files;

    InstalledPackages installed;
    if (const std::optional<std::string> status = files.read(Joined(dpkg, "status"))) {
        installed.apply(*status);
    }
    // The journal's entries are numbered in the order dpkg wrote them.
    const std::string updates = Joined(dpkg, "updates");
    for (const std::string& name : FolderEntries(updates, [](const std::string& name) {
             return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
         })) {
        if (const std::optional<std::string> entry = files.read(Joined(updates, name))) {
            installed.apply(*entry);
        }
    }
    const std::optional<std::string> diversionsText = files.read(Joined(dpkg, "diversions"));
    const std::unordered_map<std::string, Diversion> diversions = ReadDiversions(diversionsText.value_or(""));

    FolderResolver folders(root);
    std::string path; // as dpkg names the file: "/usr/bin/bash"
    const std::string info = Joined(dpkg, "info");
    for (const std::string& file :
         FolderEntries(info, [](const std::string& name) { return name.ends_with(kMd5sums); })) {
        const std::string_view infoName = std::string_view(file).substr(0, file.size() - kMd5sums.size());
        if (!installed.installed(infoName)) {
            continue;
        }
        const std::optional<std::string> text = files.read(Joined(info, file));
        if (!text) {
            continue;
        }
        const std::string_view packageName = infoName.substr(0, infoName.find(':'));
        const std::uint32_t package = database.index.addPackage(std::string(packageName));
        ForEachMd5sumsRecord(*text, [&](Md5sumsRecord&& record) {
            path.assign(1, '/');
            path += record.path;
            // A file diverted by another package (or the administrator) is installed
            // where the diversion says; the diverting package's own file stays.
            if (const auto diverted = diversions.find(path); diverted != diversions.end() &&
                                                             diverted->second.by != packageName &&
                                                             diverted->second.divertedTo.starts_with('/')) {
                path = diverted->second.divertedTo;
            }
            const std::size_t slash = path.rfind('/');
            database.index.add(folders.resolve(std::string_view(path).substr(0, slash)),
                               std::string_view(path).substr(slash + 1), package, record.digest);
        });
    }
    database.index.finish();
    database.fingerprint = files.fingerprint();
    return database;
}

} // namespace korvane
