#include <gtest/gtest.h>

#include <variant>

#include "protocol/frame_decoder.h"
#include "protocol/messages.h"

namespace korvane::protocol {
namespace {

std::vector<std::byte> Frame(const Message& message) {
    std::vector<std::byte> bytes;
    AppendFrame(bytes, message);
    return bytes;
}

// Every kind of message, with the values at the edges of its fields.
std::vector<Message> EveryKind() {
    return {
        Hello{},
        Hello{0xFFFF},
        ListProcesses{},
        ProcessList{true, true, {}},
        ProcessList{false,
                    true,
                    {{{1, 0}, "/usr/lib/systemd/systemd"},
                     {{0x7FFFFFFF, 0xFFFFFFFFFFFFFFFFull}, std::string("/opt/a b\r\n[x] \0\xff", 17)},
                     {{42, 7}, ""},
                     {{43, 8}, "[unreadable] worker [43]"}}},
        ProcessList{true, false, {}},
        DigestImage{{1234, 987654321}},
        ImageDigest{DigestOutcome::Digested, "0123456789ABCDEF0123456789ABCDEF"},
        ImageDigest{DigestOutcome::Ended, {}},
        ImageDigest{DigestOutcome::Unreadable, {}},
        ImageDigest{DigestOutcome::ReadFailed, {}},
        Kill{{-1, 0}},
        KillResult{KillOutcome::Signalled},
        KillResult{KillOutcome::NotReached},
        KillResult{KillOutcome::Refused},
        Changed{},
        Changed{true, true, true},
        Changed{false, true, false},
        Changed{true, true, false, {1, 0x7FFFFFFF, -1}},
        LookUpProcess{0x7FFFFFFF},
        KillSet{},
        KillSet{0xFFFFFFFFFFFFFFFFull, {"/opt/evil", "miner", std::string("a\0b", 3)}, {"   pw", ""}},
        ExecutionReported{ReportKind::Refused, 0x7FFFFFFF, "/opt/evil", ""},
        ExecutionReported{ReportKind::NotGuarded, 0, "/usr/lib/ld-linux.so.2", "it is the dynamic loader."},
        ExecutionReported{ReportKind::GaveUp, -1, "", "held past 2 s"},
    };
}

TEST(FrameRoundTrip, EveryMessageComesBackWholeFromOneStreamFedInPiecesOfAnySize) {
    std::vector<std::byte> stream;
    for (const Message& message : EveryKind()) {
        AppendFrame(stream, message);
    }
    for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{7}, stream.size()}) {
        FrameDecoder decoder;
        std::vector<Message> decoded;
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            decoder.append(std::span(stream).subspan(at, std::min(piece, stream.size() - at)));
            for (auto result = decoder.next(); result.message; result = decoder.next()) {
                ASSERT_FALSE(result.error);
                decoded.push_back(*result.message);
            }
        }
        EXPECT_EQ(decoded, EveryKind()) << "pieces of " << piece;
        EXPECT_EQ(decoder.buffered(), 0u);
    }
}

TEST(FrameRoundTrip, OnlyWindowRequestsAndTheHelloCountAsSentByTheWindow) {
    EXPECT_TRUE(SentByWindow(Hello{}));
    EXPECT_TRUE(SentByWindow(ListProcesses{}));
    EXPECT_TRUE(SentByWindow(DigestImage{}));
    EXPECT_TRUE(SentByWindow(Kill{}));
    EXPECT_TRUE(SentByWindow(KillSet{}));
    EXPECT_TRUE(SentByWindow(LookUpProcess{}));
    EXPECT_FALSE(SentByWindow(ExecutionReported{}));
    EXPECT_FALSE(SentByWindow(ProcessList{}));
    EXPECT_FALSE(SentByWindow(ImageDigest{}));
    EXPECT_FALSE(SentByWindow(KillResult{}));
    EXPECT_FALSE(SentByWindow(Changed{}));
}

TEST(FrameRoundTrip, ALargeTableIsSplitIntoFramesThatEachFitAndTogetherHoldItAll) {
    std::vector<ProcessEntry> entries;
    for (int pid = 1; pid <= 5000; ++pid) {
        // Long paths too: the longest the kernel gives is 4095 bytes.
        entries.push_back({{pid, static_cast<std::uint64_t>(pid) * 3}, std::string(pid % 97 == 0 ? 4095 : 40, 'p')});
    }
    const std::vector<ProcessList> parts = SplitProcessList(entries);
    ASSERT_GT(parts.size(), 1u);
    std::vector<ProcessEntry> joined;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        EXPECT_EQ(parts[i].last, i + 1 == parts.size());
        const std::vector<std::byte> bytes = Frame(parts[i]);
        EXPECT_LE(bytes.size(), kMaxFrame);
        FrameDecoder decoder;
        decoder.append(bytes);
        const auto result = decoder.next();
        ASSERT_TRUE(result.message) << "part " << i;
        const auto& part = std::get<ProcessList>(*result.message);
        joined.insert(joined.end(), part.entries.begin(), part.entries.end());
    }
    EXPECT_EQ(joined, entries);

    const std::vector<ProcessList> empty = SplitProcessList({});
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_TRUE(empty[0].last);
    EXPECT_TRUE(empty[0].entries.empty());
}

TEST(FrameRoundTrip, AKillSetFitsWhenItsFrameDoesAndNoLonger) {
    KillSet set{1, std::vector<std::string>(15, std::string(4095, 'k')), {"/bin/sh"}};
    EXPECT_TRUE(FitsInFrame(set));
    set.entries.push_back(std::string(4095, 'k'));
    EXPECT_FALSE(FitsInFrame(set));
    EXPECT_FALSE(FitsInFrame(KillSet{1, {std::string(70000, 'k')}, {}}));
    EXPECT_FALSE(FitsInFrame(ExecutionReported{ReportKind::Refused, 1, std::string(70000, 'p'), ""}));
}

} // namespace
} // namespace korvane::protocol
