#include "engine/checksums.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/file_byte_stream.h"
#include "engine/file_error.h"
#include "tests/support/temp_folder.h"

namespace korvane {
namespace {

using test::TempFolder;
using test::WriteFileBytes;

// The system's own md5sum, in upper case, as an independent reference.
std::string Md5sumText(const std::string& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(("md5sum '" + path + "'").c_str(), "r"), ::pclose);
    if (!pipe) {
        throw std::runtime_error("cannot run md5sum");
    }
    char line[128] = {};
    if (std::fgets(line, sizeof line, pipe.get()) == nullptr || std::strlen(line) < 32) {
        throw std::runtime_error("no output from md5sum");
    }
    std::string text(line, 32);
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

TEST(Checksums, FilesHoldingTheRfc1321SuiteGiveThePublishedDigestsInUpperCase) {
    const std::pair<std::string, std::string> suite[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    TempFolder folder;
    for (const auto& [message, digest] : suite) {
        const std::string path = folder.file("message.bin");
        WriteFileBytes(path, message);
        EXPECT_EQ(DigestText(FileDigest(path)), digest) << '"' << message << '"';
    }
}

TEST(Checksums, PaddingBranchesAndBlockMultiplesMatchMd5sum) {
    TempFolder folder;
    for (const std::size_t size : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 4095u, 4096u, 4097u, 8192u, 12288u,
                                   // beyond the stream's own buffer
                                   300u * 1024u, 512u * 1024u}) {
        const std::string path = folder.file("sized.bin");
        WriteFileBytes(path, PatternBytes(size));
        EXPECT_EQ(DigestText(FileDigest(path)), Md5sumText(path)) << size << " bytes";
    }
}

TEST(Checksums, StreamInTheMiddleIsDigestedWholeAndKeepsItsPosition) {
    TempFolder folder;
    const std::string path = folder.file("middle.bin");
    WriteFileBytes(path, PatternBytes(10000));
    FileByteStream stream(path);
    stream.seek(6000);
    EXPECT_EQ(DigestText(StreamDigest(stream)), Md5sumText(path));
    EXPECT_EQ(stream.position(), 6000);
    char next = 0;
    ASSERT_EQ(stream.read(&next, 1), 1u);
    EXPECT_EQ(next, PatternBytes(6001).back());
}

TEST(Checksums, FilesThatCannotBeOpenedFailWithThePath) {
    TempFolder folder;
    const std::string missing = folder.file("missing.exe");
    try {
        FileDigest(missing);
        FAIL() << "no error";
    } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open file " + missing);
    }
    EXPECT_THROW(FileDigest(folder.path().string()), FileError);
}

// Bytes in memory, with a read that can be made to fail and a size that can lie.
struct MemoryStream : ByteStream {
    explicit MemoryStream(std::string content) : bytes(std::move(content)), reportedSize(bytes.size()) {}
    std::int64_t size() override { return static_cast<std::int64_t>(reportedSize); }
    std::int64_t position() override { return static_cast<std::int64_t>(at); }
    void seek(std::int64_t position) override { at = static_cast<std::size_t>(position); }
    std::size_t read(void* buffer, std::size_t count) override {
        if (++reads == failingRead) {
            throw FileError::readFailed("memory");
        }
        const std::size_t done = std::min(count, bytes.size() - at);
        std::memcpy(buffer, bytes.data() + at, done);
        at += done;
        return done;
    }

    std::string bytes;
    std::size_t reportedSize;
    std::size_t at = 0;
    int reads = 0;
    int failingRead = -1;
};

TEST(Checksums, StreamDigestReadsByTheSizeAndRestoresThePositionOnFailure) {
    const std::string bytes = PatternBytes(8192);
    DigestContext oneShot;
    DigestInit(oneShot);
    DigestUpdate(oneShot, bytes.data(), bytes.size());
    const Digest expected = DigestFinal(oneShot);

    MemoryStream exact(bytes);
    EXPECT_EQ(StreamDigest(exact), expected);
    EXPECT_EQ(exact.reads, 2) << "a multiple of 4096 ends by the size, without an empty read";

    MemoryStream sizeUnknown(bytes);
    sizeUnknown.reportedSize = 0;
    EXPECT_EQ(StreamDigest(sizeUnknown), expected);

    MemoryStream failing(bytes);
    failing.seek(100);
    failing.failingRead = 2;
    EXPECT_THROW(StreamDigest(failing), FileError);
    EXPECT_EQ(failing.position(), 100);
}

TEST(Checksums, UpdatesInPiecesOrEmptyEqualOneUpdate) {
    const std::string bytes = PatternBytes(200);
    DigestContext whole;
    DigestInit(whole);
    DigestUpdate(whole, bytes.data(), bytes.size());

    DigestContext pieces;
    DigestInit(pieces);
    DigestUpdate(pieces, nullptr, 0);
    DigestUpdate(pieces, bytes.data(), 63);
    DigestUpdate(pieces, bytes.data() + 63, 0);
    DigestUpdate(pieces, bytes.data() + 63, 137);
    EXPECT_EQ(DigestFinal(pieces), DigestFinal(whole));
}

TEST(Checksums, FinalWipesTheWholeContext) {
    DigestContext context;
    DigestInit(context);
    DigestUpdate(context, "secret tail", 11);
    DigestFinal(context);
    std::vector<unsigned char> raw(sizeof context);
    std::memcpy(raw.data(), &context, sizeof context);
    EXPECT_TRUE(std::all_of(raw.begin(), raw.end(), [](unsigned char c) { return c == 0; }));
}

TEST(Checksums, TextIsTwoUpperCaseDigitsPerByteInOrder) {
    Digest digest{};
    digest[0] = 0x0A;
    digest[1] = 0xF0;
    digest[15] = 0xBC;
    EXPECT_EQ(DigestText(digest), "0AF0" + std::string(26, '0') + "BC");
}

} // namespace
} // namespace korvane
