#include "engine/file_byte_stream.h"

#include <filesystem>
#include <string>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "engine/checksums.h"
#include "engine/file_error.h"
#include "tests/support/deadline.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

std::string CountingBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i * 7 + i / 251);
    }
    return bytes;
}

std::string ReadString(FileByteStream& stream, std::size_t count) {
    std::string bytes(count, '\0');
    bytes.resize(stream.read(bytes.data(), count));
    return bytes;
}

// Several times the stream's own buffer, and no multiple of any read size used here.
constexpr std::size_t kFileSize = 3 * 128 * 1024 + 4099;

TEST(FileByteStream, ReadsOfAnySizeFollowTheFileAcrossItsBuffer) {
    test::TempFolder folder;
    const std::string path = folder.file("data.bin");
    const std::string contents = CountingBytes(kFileSize);
    test::WriteFileBytes(path, contents);
    FileByteStream stream(path);
    EXPECT_EQ(stream.size(), static_cast<std::int64_t>(kFileSize));

    std::string seen;
    for (const std::size_t count : {4096u, 7000u, 1u, 200000u, 4096u}) {
        seen += ReadString(stream, count);
        EXPECT_EQ(stream.position(), static_cast<std::int64_t>(seen.size()));
    }
    // Past the end: the rest, then nothing.
    seen += ReadString(stream, kFileSize);
    EXPECT_EQ(seen, contents);
    EXPECT_EQ(ReadString(stream, 4096), "");
    EXPECT_EQ(stream.position(), static_cast<std::int64_t>(kFileSize));
}

TEST(FileByteStream, SeekingDropsWhatWasBufferedAhead) {
    test::TempFolder folder;
    const std::string path = folder.file("data.bin");
    const std::string contents = CountingBytes(kFileSize);
    test::WriteFileBytes(path, contents);
    FileByteStream stream(path);

    ReadString(stream, 10);
    stream.seek(300000);
    EXPECT_EQ(ReadString(stream, 5000), contents.substr(300000, 5000));
    stream.seek(3);
    EXPECT_EQ(stream.position(), 3);
    EXPECT_EQ(ReadString(stream, 4096), contents.substr(3, 4096));
}

TEST(FileByteStream, OpensRegularFilesOnlyAndNeverBlocks) {
    test::TempFolder folder;
    const std::string fifo = folder.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string zero = folder.file("zero");
    std::filesystem::create_symlink("/dev/zero", zero);
    // Under a deadline: a FIFO would block the open, /dev/zero the digest, forever.
    for (const std::string& path : {fifo, zero, folder.folder()}) {
        const auto outcome = test::RunWithDeadline(5, [&] {
            try {
                FileDigest(path);
                return 1;
            } catch (const FileError& error) {
                return error.what() == "Cannot open file " + path ? 0 : 2;
            }
        });
        EXPECT_EQ(outcome, 0) << path;
    }
}

} // namespace
} // namespace korvane
