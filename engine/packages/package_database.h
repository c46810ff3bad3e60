#pragma once

#include <cstdint>
#include <string>

#include "engine/packages/package_index.h"

namespace korvane {

// What says whether dpkg's database changed: the change times (and inodes) of the
// info folder, the status file, the journal folder updates/ and the diversions file.
// dpkg replaces each of them by renaming a new one into place, which moves them.
struct DatabaseStamps {
    struct Stamp {
        bool exists = false;
        std::uint64_t inode = 0;
        std::int64_t seconds = 0;
        std::int64_t nanoseconds = 0;
        bool operator==(const Stamp&) const = default;
    };
    Stamp info;
    Stamp status;
    Stamp updates;
    Stamp diversions;
    bool operator==(const DatabaseStamps&) const = default;
};

// One reading of the database.
struct PackageDatabase {
    PackageIndex index;
    DatabaseStamps stamps; // taken before the reading began
    // Of every byte read: two readings that agree have the same.
    std::uint64_t fingerprint = 0;
};

// True when dpkg keeps a database under `root`: something here was installed by it.
bool HasPackageDatabase(const std::string& root);

DatabaseStamps ReadDatabaseStamps(const std::string& root);

// Reads the records of every fully installed package under `root`, by the paths the
// kernel shows for the files: each record's folder resolved through the symbolic
// links that exist (a record "bin/bash" names /usr/bin/bash where /bin links to
// usr/bin), a diverted file where its diversion put it. Unreadable files are skipped.
PackageDatabase ReadPackageDatabase(const std::string& root);

} // namespace korvane
