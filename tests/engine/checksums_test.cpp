#include "engine/checksums.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include <gtest/gtest.h>

#include "engine/file_byte_stream.h"
#include "engine/file_error.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

// The system's own md5sum, in upper case, as an independent reference.
std::string Md5sumText(const std::string& path) {
    FILE* pipe = ::popen(("md5sum '" + path + "'").c_str(), "r");
    char line[128] = {};
    const bool read = pipe != nullptr && std::fgets(line, sizeof line, pipe) != nullptr;
    if (pipe != nullptr) {
        ::pclose(pipe);
    }
    std::string text(read ? line : "", read ? 32 : 0);
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string PatternBytes(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 12345;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

TEST(Checksums, FilesGiveTheRfc1321ResultsInUpperCase) {
    test::TempFolder folder;
    const std::string path = folder.file("message.bin");
    const std::pair<std::string, std::string> suite[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"1234567890123456789012345678901234567890"
         "1234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    for (const auto& [message, digest] : suite) {
        test::WriteFileBytes(path, message);
        EXPECT_EQ(DigestText(FileDigest(path)), digest) << '"' << message << '"';
    }
    // Padding branches, whole 4096-byte chunks, and more than the stream buffers at once.
    for (const std::size_t size : {55u, 56u, 63u, 64u, 65u, 4095u, 4096u, 4097u, 12288u, 300u * 1024u}) {
        test::WriteFileBytes(path, PatternBytes(size));
        EXPECT_EQ(DigestText(FileDigest(path)), Md5sumText(path)) << size << " bytes";
    }
    // Reports a size of 0 but has contents.
    EXPECT_EQ(DigestText(FileDigest("/proc/version")), Md5sumText("/proc/version"));
}

TEST(Checksums, StreamIsDigestedWholeAndKeepsItsPositionOnEveryPath) {
    test::TempFolder folder;
    const std::string path = folder.file("middle.bin");
    test::WriteFileBytes(path, PatternBytes(10000));
    FileByteStream stream(path);
    stream.seek(6000);
    EXPECT_EQ(DigestText(StreamDigest(stream)), Md5sumText(path));
    EXPECT_EQ(stream.position(), 6000);

    // Every read of the process's own memory at a low address fails.
    FileByteStream failing("/proc/self/mem");
    failing.seek(100);
    EXPECT_THROW(StreamDigest(failing), FileError);
    EXPECT_EQ(failing.position(), 100);
}

TEST(Checksums, FilesThatCannotBeOpenedFailWithThePath) {
    test::TempFolder folder;
    const std::string missing = folder.file("missing.exe");
    try {
        FileDigest(missing);
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open file " + missing);
    }
    EXPECT_THROW(FileDigest(folder.path().string()), FileError);
}

TEST(Checksums, EmptyUpdatesChangeNothingAndFinalWipesTheContext) {
    DigestContext whole;
    DigestInit(whole);
    DigestUpdate(whole, "abc", 3);
    DigestContext pieces;
    DigestInit(pieces);
    DigestUpdate(pieces, nullptr, 0);
    DigestUpdate(pieces, "ab", 2);
    DigestUpdate(pieces, "", 0);
    DigestUpdate(pieces, "c", 1);
    EXPECT_EQ(DigestFinal(pieces), DigestFinal(whole));

    unsigned char raw[sizeof whole];
    std::memcpy(raw, &whole, sizeof whole);
    EXPECT_TRUE(std::all_of(std::begin(raw), std::end(raw), [](unsigned char c) { return c == 0; }));
}

} // namespace
} // namespace korvane
