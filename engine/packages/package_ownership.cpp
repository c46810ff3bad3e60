#include "engine/packages/package_ownership.h"

#include <optional>

#include "engine/file_error.h"

namespace korvane {

std::string PackageOwnershipText(const PackageIndex& index, const std::string& path) {
    const std::span<const PackageRecord> records = index.find(path);
    if (records.empty()) {
        return "Package: none";
    }
    std::optional<Digest> digest;
    try {
        digest = FileDigest(path);
    } catch (const FileError&) {
    }
    // Where two packages record the file, the one whose record the file matches owns it.
    const PackageRecord* matching = digest ? RecordWithDigest(records, *digest) : nullptr;
    const PackageRecord& owner = matching != nullptr ? *matching : records.front();
    const char* verdict = !digest ? "file cannot be read" : matching != nullptr ? "matches" : "differs";
    return "Package: " + index.packageName(owner) + "\rPackage checksum: " + verdict;
}

} // namespace korvane
