#pragma once

#include <chrono>
#include <cstddef>
#include <list>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

#include "engine/checksums.h"
#include "platform/api/file_stamp.h"

namespace korvane {

// Digests of the files the watch reads again and again (the images of running
// programs), remembered for the run by the stamp of the file that was opened: any
// difference in device, inode, size, modification or change time reads the file
// again. The newest kCapacity files are kept; nothing is written anywhere.
//
// File times are coarse: a file written twice within one tick of the file system's
// clock (up to two seconds on some file systems) keeps the stamp of the first write.
// A file changed less than kSettleTime ago is therefore read, not remembered.
class DigestCache {
public:
    static constexpr std::size_t kCapacity = 4096;
    static constexpr std::chrono::seconds kSettleTime{2};

    explicit DigestCache(std::size_t capacity = kCapacity, std::chrono::nanoseconds settleTime = kSettleTime);

    // What FileDigest(path) gives, from memory when `probed`, the stamp a probe of
    // `path` found just now, was digested before. Throws as FileDigest does.
    Digest FileDigest(const std::string& path, const FileStamp& probed);

    std::size_t size() const { return order_.size(); }
    // How many digests were computed by reading a file.
    std::size_t filesRead() const { return filesRead_; }

private:
    using Entry = std::pair<FileStamp, Digest>;
    struct StampHash {
        std::size_t operator()(const FileStamp& stamp) const;
    };

    // The digest remembered for the stamp, now the most recently used.
    std::optional<Digest> find(const FileStamp& stamp);
    void remember(const FileStamp& stamp, const Digest& digest);

    std::size_t capacity_;
    std::chrono::nanoseconds settleTime_;
    std::list<Entry> order_; // most recently used first
    std::unordered_map<FileStamp, std::list<Entry>::iterator, StampHash> index_;
    std::size_t filesRead_ = 0;
};

} // namespace korvane
