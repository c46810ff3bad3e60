#include "engine/file_byte_stream.h"

#include <string>

#include <gtest/gtest.h>

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

} // namespace
} // namespace korvane
