#include "engine/digest_cache.h"

#include <functional>

#include "engine/file_byte_stream.h"

namespace korvane {

std::size_t DigestCache::StampHash::operator()(const FileStamp& stamp) const {
    // Boost's hash_combine: enough to spread a few thousand stamps.
    std::size_t seed = 0;
    const auto mix = [&seed](auto value) {
        seed ^= std::hash<decltype(value)>{}(value) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
    };
    mix(stamp.device);
    mix(stamp.inode);
    mix(stamp.size);
    mix(stamp.modifiedNs);
    mix(stamp.changedNs);
    return seed;
}

DigestCache::DigestCache(std::size_t capacity, std::chrono::nanoseconds settleTime)
    : capacity_(capacity), settleTime_(settleTime) {}

Digest DigestCache::FileDigest(const std::string& path, const FileStamp& probed) {
    // A digest is remembered only under the stamp of the very file it was read from,
    // so the stamp the probe found answers without opening the file again.
    if (const auto found = find(probed)) {
        return *found;
    }
    // A write after this moment is stamped with a change time at or after it, less
    // one tick of the file system's clock: never with the change time of a file that
    // had settled before it. So a change made while the file is read below leaves
    // the digest under a stamp the file can no longer have.
    const auto settledBefore = std::chrono::system_clock::now() - settleTime_;
    FileByteStream stream(path);
    const FileStamp stamp = stream.stamp();
    if (const auto found = find(stamp)) {
        return *found;
    }
    const Digest digest = StreamDigest(stream);
    ++filesRead_;
    if (std::chrono::nanoseconds(stamp.changedNs) < settledBefore.time_since_epoch()) {
        remember(stamp, digest);
    }
    return digest;
}

std::optional<Digest> DigestCache::find(const FileStamp& stamp) {
    const auto found = index_.find(stamp);
    if (found == index_.end()) {
        return std::nullopt;
    }
    order_.splice(order_.begin(), order_, found->second);
    return found->second->second;
}

void DigestCache::remember(const FileStamp& stamp, const Digest& digest) {
    if (capacity_ == 0) {
        return;
    }
    if (order_.size() == capacity_) {
        index_.erase(order_.back().first);
        order_.pop_back();
    }
    order_.emplace_front(stamp, digest);
    index_.emplace(stamp, order_.begin());
}

} // namespace korvane
