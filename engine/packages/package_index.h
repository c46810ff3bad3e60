#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/checksums.h"

namespace korvane {

// One file an installed package recorded: where it is (as the kernel names it) and
// the MD5 digest the package gave it.
struct PackageRecord {
    std::uint32_t folder = 0;     // in the index's folders
    std::uint32_t nameOffset = 0; // in the index's names
    std::uint32_t nameLength = 0;
    std::uint32_t package = 0; // in the index's packages
    Digest digest{};
};

// The package database's records by full path, compact enough for every file of
// every installed package: the folders are kept once each, the file names in one
// block, the records sorted by folder and name.
class PackageIndex {
public:
    // Numbers a package; records of it then name it by that number.
    std::uint32_t addPackage(std::string name);
    // A record for `folder` (absolute, without the trailing "/") + "/" + `name`.
    void add(std::string_view folder, std::string_view name, std::uint32_t package, const Digest& digest);
    // Sorts the records for look-ups; call once, after the last add.
    void finish();

    // The records of the file at `path` (a full path), usually one; empty when no
    // installed package has the file.
    std::span<const PackageRecord> find(std::string_view path) const;

    const std::string& packageName(const PackageRecord& record) const { return packages_[record.package]; }
    std::size_t size() const { return records_.size(); }

private:
    struct FolderHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view folder) const { return std::hash<std::string_view>()(folder); }
    };
    // Where a record's file is: its folder's number and its name.
    using Place = std::pair<std::uint32_t, std::string_view>;
    struct ByPlace {
        const PackageIndex& index;
        bool operator()(const PackageRecord& record, const Place& place) const;
        bool operator()(const Place& place, const PackageRecord& record) const;
    };
    std::string_view name(const PackageRecord& record) const {
        return std::string_view(names_).substr(record.nameOffset, record.nameLength);
    }

    std::unordered_map<std::string, std::uint32_t, FolderHash, std::equal_to<>> folders_;
    std::string names_;
    std::vector<std::string> packages_;
    std::vector<PackageRecord> records_;
};

// The record that gives the file `digest`, if one of them does.
const PackageRecord* RecordWithDigest(std::span<const PackageRecord> records, const Digest& digest);
// The same, for a digest in its text form (32 upper-case hexadecimal digits).
const PackageRecord* RecordWithDigest(std::span<const PackageRecord> records, std::string_view digestText);

} // namespace korvane
