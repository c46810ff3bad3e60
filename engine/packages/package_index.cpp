#include "engine/packages/package_index.h"

#include <algorithm>
#include <tuple>

namespace korvane {

std::uint32_t PackageIndex::addPackage(std::string name) {
    packages_.push_back(std::move(name));
    return static_cast<std::uint32_t>(packages_.size() - 1);
}

void PackageIndex::add(std::string_view folder, std::string_view name, std::uint32_t package, const Digest& digest) {
    auto found = folders_.find(folder);
    if (found == folders_.end()) {
        found = folders_.emplace(std::string(folder), static_cast<std::uint32_t>(folders_.size())).first;
    }
    PackageRecord record;
    record.folder = found->second;
    record.nameOffset = static_cast<std::uint32_t>(names_.size());
    record.nameLength = static_cast<std::uint32_t>(name.size());
    record.package = package;
    record.digest = digest;
    names_.append(name);
    records_.push_back(record);
}

void PackageIndex::finish() {
    std::sort(records_.begin(), records_.end(), [this](const PackageRecord& a, const PackageRecord& b) {
        return std::tuple(a.folder, name(a), a.package) < std::tuple(b.folder, name(b), b.package);
    });
    records_.shrink_to_fit();
    names_.shrink_to_fit();
}

bool PackageIndex::ByPlace::operator()(const PackageRecord& record, const Place& place) const {
    return Place(record.folder, index.name(record)) < place;
}

bool PackageIndex::ByPlace::operator()(const Place& place, const PackageRecord& record) const {
    return place < Place(record.folder, index.name(record));
}

std::span<const PackageRecord> PackageIndex::find(std::string_view path) const {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        return {};
    }
    const auto folder = folders_.find(path.substr(0, slash));
    if (folder == folders_.end()) {
        return {};
    }
    const Place key{folder->second, path.substr(slash + 1)};
    const auto [first, last] = std::equal_range(records_.begin(), records_.end(), key, ByPlace{*this});
    return {first, last};
}

const PackageRecord* RecordWithDigest(std::span<const PackageRecord> records, const Digest& digest) {
    const auto found = std::find_if(records.begin(), records.end(),
                                    [&](const PackageRecord& record) { return record.digest == digest; });
    return found != records.end() ? &*found : nullptr;
}

const PackageRecord* RecordWithDigest(std::span<const PackageRecord> records, std::string_view digestText) {
    const auto found = std::find_if(records.begin(), records.end(), [&](const PackageRecord& record) {
        return DigestText(record.digest) == digestText;
    });
    return found != records.end() ? &*found : nullptr;
}

} // namespace korvane
