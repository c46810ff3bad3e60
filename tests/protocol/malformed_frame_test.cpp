#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

#include "protocol/frame_decoder.h"
#include "protocol/message_types.h"
#include "protocol/messages.h"

namespace korvane::protocol {
namespace {

// A frame with the given body bytes and a length field that matches them.
std::vector<std::byte> RawFrame(std::initializer_list<int> body) {
    std::vector<std::byte> bytes;
    const auto length = static_cast<std::uint32_t>(body.size());
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<std::byte>(length >> (8 * i)));
    }
    for (const int value : body) {
        bytes.push_back(static_cast<std::byte>(value));
    }
    return bytes;
}

std::optional<FrameError> ErrorOf(const std::vector<std::byte>& bytes) {
    FrameDecoder decoder;
    decoder.append(bytes);
    return decoder.next().error;
}

struct MalformedCase {
    const char* what;
    std::vector<std::byte> bytes;
    FrameError expected;
};

TEST(MalformedFrame, EachClassOfBrokenFrameIsNamedAndNoMessageComesOutOfIt) {
    const int hello = static_cast<int>(MessageType::Hello);
    const int list = static_cast<int>(MessageType::ProcessList);
    const int digest = static_cast<int>(MessageType::ImageDigest);
    const int kill = static_cast<int>(MessageType::Kill);
    const int killResult = static_cast<int>(MessageType::KillResult);
    const int changed = static_cast<int>(MessageType::Changed);
    const int set = static_cast<int>(MessageType::KillSet);
    const int report = static_cast<int>(MessageType::ExecutionReported);
    const std::vector<MalformedCase> cases = {
        {"empty body", RawFrame({}), FrameError::Empty},
        {"type 0", RawFrame({0}), FrameError::UnknownType},
        {"type 200", RawFrame({200, 1, 2}), FrameError::UnknownType},
        {"hello without version", RawFrame({hello, 'K', 'V', 'G', 'D'}), FrameError::Truncated},
        {"hello of another protocol", RawFrame({hello, 'H', 'T', 'T', 'P', 1, 0}), FrameError::BadValue},
        {"hello with a tail", RawFrame({hello, 'K', 'V', 'G', 'D', 1, 0, 0}), FrameError::Trailing},
        {"list request with a tail", RawFrame({static_cast<int>(MessageType::ListProcesses), 0}), FrameError::Trailing},
        {"kill with half an identity", RawFrame({kill, 1, 0, 0, 0, 5}), FrameError::Truncated},
        {"process list without its count", RawFrame({list, 1}), FrameError::Truncated},
        {"process list with unknown flags", RawFrame({list, 8, 0, 0, 0, 0}), FrameError::BadValue},
        {"process list counting more entries than a frame holds", RawFrame({list, 1, 0xff, 0xff, 0xff, 0xff}),
         FrameError::BadValue},
        {"process list one entry short", RawFrame({list, 1, 1, 0, 0, 0}), FrameError::Truncated},
        {"path running past the frame",
         RawFrame({list, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 0, '/', 'x'}), FrameError::Truncated},
        {"digest outcome out of range", RawFrame({digest, 4}), FrameError::BadValue},
        {"digest text cut short", RawFrame({digest, 0, 'A', 'B'}), FrameError::Truncated},
        {"kill outcome out of range", RawFrame({killResult, 9}), FrameError::BadValue},
        {"changed with unknown bits", RawFrame({changed, 0x10}), FrameError::BadValue},
        {"changed without its count of programs started", RawFrame({changed, 1}), FrameError::Truncated},
        {"changed one program short", RawFrame({changed, 1, 1, 0, 0, 0}), FrameError::Truncated},
        {"changed naming more programs than it may", RawFrame({changed, 1, 0x01, 0x04, 0, 0}), FrameError::BadValue},
        {"look-up with half a PID", RawFrame({static_cast<int>(MessageType::LookUpProcess), 1, 0}),
         FrameError::Truncated},
        {"kill set without its generation", RawFrame({set, 1, 0, 0}), FrameError::Truncated},
        {"kill set counting more entries than a frame holds",
         RawFrame({set, 1, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, 0xff, 0xff}), FrameError::BadValue},
        {"kill set counting too many Never Kill entries",
         RawFrame({set, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0}), FrameError::BadValue},
        {"kill set entry running past the frame", RawFrame({set, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 9, 0, '/', 'x'}),
         FrameError::Truncated},
        {"kill set without its Never Kill list", RawFrame({set, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
         FrameError::Truncated},
        {"kill set with a tail", RawFrame({set, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7}),
         FrameError::Trailing},
        {"report of an unknown kind", RawFrame({report, 3, 1, 0, 0, 0, 0, 0, 0, 0}), FrameError::BadValue},
        {"report without its reason", RawFrame({report, 0, 1, 0, 0, 0, 1, 0, '/'}), FrameError::Truncated},
        {"report path running past the frame", RawFrame({report, 0, 1, 0, 0, 0, 200, 0, '/'}), FrameError::Truncated},
    };
    for (const MalformedCase& broken : cases) {
        FrameDecoder decoder;
        decoder.append(broken.bytes);
        const auto result = decoder.next();
        EXPECT_EQ(result.error, broken.expected) << broken.what;
        EXPECT_FALSE(result.message) << broken.what;
    }
}

TEST(MalformedFrame, ADigestTextOfOtherCharactersIsRefused) {
    std::vector<std::byte> bytes;
    AppendFrame(bytes, ImageDigest{DigestOutcome::Digested, "0123456789abcdef0123456789abcdef"});
    EXPECT_EQ(ErrorOf(bytes), FrameError::BadValue);
    bytes.clear();
    AppendFrame(bytes, ImageDigest{DigestOutcome::Digested, std::string(32, '/')});
    EXPECT_EQ(ErrorOf(bytes), FrameError::BadValue);
}

TEST(MalformedFrame, AnOversizedFrameIsRefusedFromItsLengthFieldAloneAndTheErrorSticks) {
    FrameDecoder decoder;
    // 64 KiB less the length field is the most a body may be; one byte more is refused
    // before any of the body has come.
    decoder.append(std::vector<std::byte>{std::byte{0xFD}, std::byte{0xFF}, std::byte{0}, std::byte{0}});
    EXPECT_EQ(decoder.next().error, FrameError::Oversized);
    std::vector<std::byte> good;
    AppendFrame(good, Hello{});
    decoder.append(good);
    EXPECT_EQ(decoder.next().error, FrameError::Oversized);

    FrameDecoder largest;
    std::vector<std::byte> bytes{std::byte{0xFC}, std::byte{0xFF}, std::byte{0}, std::byte{0}};
    largest.append(bytes);
    EXPECT_FALSE(largest.next().error); // waits for a body of exactly the largest size
    EXPECT_FALSE(largest.next().message);
}

TEST(MalformedFrame, AFrameStillArrivingIsNeitherAnErrorNorAMessage) {
    std::vector<std::byte> bytes;
    AppendFrame(bytes, DigestImage{{5, 6}});
    FrameDecoder decoder;
    decoder.append(std::span(bytes).first(bytes.size() - 1));
    const auto partial = decoder.next();
    EXPECT_FALSE(partial.error);
    EXPECT_FALSE(partial.message);
    decoder.append(std::span(bytes).last(1));
    EXPECT_EQ(decoder.next().message, Message(DigestImage{{5, 6}}));
}

} // namespace
} // namespace korvane::protocol
