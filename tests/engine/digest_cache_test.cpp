#include "engine/digest_cache.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "engine/checksums.h"
#include "engine/file_error.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

using namespace std::chrono_literals;

// Without a settling time every digest is remembered at once; the tests then wait
// out one tick of the file system's clock before changing a file again.
constexpr std::chrono::nanoseconds kNoSettling{0};

// What a probe of the path finds.
FileStamp Stamp(const std::string& path) {
    const auto stamp = test::StampAt(path);
    EXPECT_TRUE(stamp.has_value()) << path;
    return stamp.value_or(FileStamp{});
}

void WaitOutTimestampTick() {
    std::this_thread::sleep_for(50ms);
}

timespec ModificationTime(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0);
    return info.st_mtim;
}

ino_t InodeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0);
    return info.st_ino;
}

void SetModificationTime(const std::string& path, const timespec& time) {
    const timespec times[2] = {time, time};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Rewrites the file's bytes through the same inode, as `dd conv=notrunc` would.
void RewriteInPlace(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

class DigestCacheTest : public ::testing::Test {
protected:
    test::TempFolder folder;
};

TEST_F(DigestCacheTest, AnUnchangedFileIsReadOnceAndGivesTheFileDigest) {
    DigestCache cache(DigestCache::kCapacity, kNoSettling);
    const std::string path = folder.write("a", "the program's bytes");
    EXPECT_EQ(cache.FileDigest(path, Stamp(path)), FileDigest(path));
    EXPECT_EQ(cache.FileDigest(path, Stamp(path)), FileDigest(path));
    EXPECT_EQ(cache.filesRead(), 1u);
    EXPECT_EQ(cache.size(), 1u);
}

TEST_F(DigestCacheTest, RewrittenInPlaceWithSizeAndModificationTimeKeptIsReadAgain) {
    DigestCache cache(DigestCache::kCapacity, kNoSettling);
    const std::string path = folder.write("a", "original bytes!");
    const timespec modified = ModificationTime(path);
    const Digest before = cache.FileDigest(path, Stamp(path));

    WaitOutTimestampTick();
    const ino_t inode = InodeOf(path);
    RewriteInPlace(path, "tampered bytes!");
    SetModificationTime(path, modified);
    ASSERT_EQ(InodeOf(path), inode);
    ASSERT_EQ(ModificationTime(path).tv_sec, modified.tv_sec);
    ASSERT_EQ(ModificationTime(path).tv_nsec, modified.tv_nsec);

    const Digest after = cache.FileDigest(path, Stamp(path));
    EXPECT_NE(after, before);
    EXPECT_EQ(after, FileDigest(path));
    EXPECT_EQ(cache.filesRead(), 2u);
}

TEST_F(DigestCacheTest, AFilePutInThePlaceOfAnotherIsReadAgain) {
    DigestCache cache(DigestCache::kCapacity, kNoSettling);
    const std::string path = folder.write("a", "original bytes!");
    const timespec modified = ModificationTime(path);
    const Digest before = cache.FileDigest(path, Stamp(path));

    const std::string replacement = folder.write("a.new", "replaced bytes!");
    SetModificationTime(replacement, modified);
    std::filesystem::rename(replacement, path);

    const Digest after = cache.FileDigest(path, Stamp(path));
    EXPECT_NE(after, before);
    EXPECT_EQ(after, FileDigest(path));
}

TEST_F(DigestCacheTest, AFileChangedJustNowIsReadEveryTimeUntilItSettles) {
    DigestCache cache;
    const std::string path = folder.write("fresh", "just written");
    EXPECT_EQ(cache.FileDigest(path, Stamp(path)), FileDigest(path));
    EXPECT_EQ(cache.FileDigest(path, Stamp(path)), FileDigest(path));
    EXPECT_EQ(cache.filesRead(), 2u);
    EXPECT_EQ(cache.size(), 0u);
}

TEST_F(DigestCacheTest, TheLeastRecentlyUsedFileGoesFirst) {
    DigestCache cache(3, kNoSettling);
    const std::string a = folder.write("a", "a");
    const std::string b = folder.write("b", "b");
    const std::string c = folder.write("c", "c");
    const std::string d = folder.write("d", "d");
    cache.FileDigest(a, Stamp(a));
    cache.FileDigest(b, Stamp(b));
    cache.FileDigest(c, Stamp(c));
    cache.FileDigest(a, Stamp(a)); // now b is the least recently used
    cache.FileDigest(d, Stamp(d));
    EXPECT_EQ(cache.size(), 3u);
    EXPECT_EQ(cache.filesRead(), 4u);

    cache.FileDigest(a, Stamp(a));
    cache.FileDigest(c, Stamp(c));
    cache.FileDigest(d, Stamp(d));
    EXPECT_EQ(cache.filesRead(), 4u);
    cache.FileDigest(b, Stamp(b));
    EXPECT_EQ(cache.filesRead(), 5u);
    EXPECT_EQ(cache.size(), 3u);
}

TEST_F(DigestCacheTest, TheProgramsCacheHoldsAtMostItsBound) {
    DigestCache cache(DigestCache::kCapacity, kNoSettling);
    for (std::size_t i = 0; i < DigestCache::kCapacity + 5; ++i) {
        const std::string path = folder.write("f" + std::to_string(i), std::to_string(i));
        cache.FileDigest(path, Stamp(path));
        std::filesystem::remove(path);
    }
    EXPECT_EQ(cache.size(), DigestCache::kCapacity);
}

TEST_F(DigestCacheTest, FailsAsFileDigestDoes) {
    DigestCache cache(DigestCache::kCapacity, kNoSettling);
    const std::string missing = folder.file("missing");
    try {
        cache.FileDigest(missing, FileStamp{});
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open file " + missing);
    }
    EXPECT_THROW(cache.FileDigest(folder.folder(), FileStamp{}), FileError);
}

} // namespace
} // namespace korvane
