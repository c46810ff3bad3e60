#include "platform/linux/proc_event_decoder.h"

#include <cstddef>
#include <cstring>
#include <span>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#include <linux/cn_proc.h>
#include <linux/connector.h>
#include <linux/netlink.h>

#include <gtest/gtest.h>

namespace korvane {
namespace {

constexpr std::uint32_t kNone = 0x00000000;
constexpr std::uint32_t kFork = 0x00000001;
constexpr std::uint32_t kExec = 0x00000002;
constexpr std::uint32_t kUid = 0x00000004;
constexpr std::uint32_t kExit = 0x80000000;

// One connector message as the kernel sends it.
struct Message {
    std::uint32_t what;
    std::uint32_t cpu = 0;
    std::uint32_t seq = 0;
    int pid = 100;  // the child of a fork, the process of an exec or exit
    int tgid = 100; // its thread group
    std::uint32_t idx = CN_IDX_PROC;
    std::uint16_t type = NLMSG_DONE;
};

std::vector<std::byte> Datagram(const std::vector<Message>& messages) {
    std::vector<std::byte> bytes;
    for (const Message& m : messages) {
        proc_event event{};
        std::memcpy(&event.what, &m.what, sizeof m.what);
        event.cpu = m.cpu;
        if (m.what == kFork) {
            event.event_data.fork.child_pid = m.pid;
            event.event_data.fork.child_tgid = m.tgid;
        } else if (m.what == kExec) {
            event.event_data.exec.process_pid = m.pid;
            event.event_data.exec.process_tgid = m.tgid;
        } else if (m.what == kExit) {
            event.event_data.exit.process_pid = m.pid;
            event.event_data.exit.process_tgid = m.tgid;
        } else if (m.what == kNone) {
            event.event_data.ack.err = static_cast<std::uint32_t>(m.pid);
        }
        cn_msg message{};
        message.id.idx = m.idx;
        message.id.val = CN_VAL_PROC;
        message.seq = m.seq;
        message.len = sizeof event;
        nlmsghdr header{};
        header.nlmsg_len = NLMSG_LENGTH(sizeof message + sizeof event);
        header.nlmsg_type = m.type;
        const std::size_t at = bytes.size();
        bytes.resize(at + NLMSG_ALIGN(header.nlmsg_len));
        std::memcpy(bytes.data() + at, &header, sizeof header);
        std::memcpy(bytes.data() + at + NLMSG_HDRLEN, &message, sizeof message);
        std::memcpy(bytes.data() + at + NLMSG_HDRLEN + sizeof message, &event, sizeof event);
    }
    return bytes;
}

// Bytes laid against an inaccessible page: a read past their end faults at once in
// every build, not only under the address sanitizer.
class GuardedBytes {
public:
    explicit GuardedBytes(const std::vector<std::byte>& bytes)
        : page_(static_cast<std::size_t>(::sysconf(_SC_PAGESIZE))) {
        void* mapped = ::mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        EXPECT_NE(mapped, MAP_FAILED);
        base_ = static_cast<std::byte*>(mapped);
        EXPECT_EQ(::mprotect(base_ + page_, page_, PROT_NONE), 0);
        std::byte* start = base_ + page_ - bytes.size();
        std::memcpy(start, bytes.data(), bytes.size());
        bytes_ = {start, bytes.size()};
    }
    ~GuardedBytes() { ::munmap(base_, 2 * page_); }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    std::span<const std::byte> bytes() const { return bytes_; }

private:
    std::size_t page_;
    std::byte* base_ = nullptr;
    std::span<const std::byte> bytes_;
};

// Rewrites the length fields of the first message of a datagram: `eventBytes` of the
// event are kept, followed by `extra` bytes of filler, and the message is not padded.
std::vector<std::byte> Resized(std::vector<std::byte> bytes, std::size_t eventBytes, std::size_t extra) {
    const std::size_t length = NLMSG_HDRLEN + sizeof(cn_msg) + eventBytes + extra;
    bytes.resize(length);
    const auto headerLength = static_cast<std::uint32_t>(length);
    std::memcpy(bytes.data() + offsetof(nlmsghdr, nlmsg_len), &headerLength, sizeof headerLength);
    const auto messageLength = static_cast<std::uint16_t>(eventBytes + extra);
    std::memcpy(bytes.data() + NLMSG_HDRLEN + offsetof(cn_msg, len), &messageLength, sizeof messageLength);
    return bytes;
}

class ProcEventDecoderTest : public ::testing::Test {
protected:
    ProcessEventBatch decode(const std::vector<Message>& messages) {
        ProcessEventBatch batch;
        const auto bytes = Datagram(messages);
        decoder.decode(bytes, batch);
        return batch;
    }

    // Decodes a datagram that ends where the readable memory ends.
    ProcessEventBatch decodeGuarded(const std::vector<std::byte>& bytes) {
        const GuardedBytes guarded(bytes);
        ProcessEventBatch batch;
        decoder.decode(guarded.bytes(), batch);
        return batch;
    }

    linux_proc::ProcEventDecoder decoder;
};

TEST_F(ProcEventDecoderTest, ProcessesBeginningEndingAndStartingProgramsCount) {
    EXPECT_EQ(decode({{.what = kFork, .seq = 1}}), (ProcessEventBatch{.changed = true, .begun = {100}}));
    EXPECT_EQ(decode({{.what = kExec, .seq = 2}}),
              (ProcessEventBatch{.exec = true, .changed = true, .started = {100}}));
    EXPECT_EQ(decode({{.what = kExit, .seq = 3}}), (ProcessEventBatch{.changed = true, .ended = {100}}));
    EXPECT_EQ(decode({{.what = kUid, .seq = 4}}), ProcessEventBatch{});
}

TEST_F(ProcEventDecoderTest, ProgramStartsNameTheirProcessesInOrder) {
    // A thread's exec names the thread group it took over.
    EXPECT_EQ(decode({{.what = kExec, .seq = 1, .pid = 300, .tgid = 300},
                      {.what = kFork, .seq = 2, .pid = 301, .tgid = 301},
                      {.what = kExec, .seq = 3, .pid = 200, .tgid = 200}})
                  .started,
              (std::vector<int>{300, 200}));
}

TEST_F(ProcEventDecoderTest, ThreadsComingAndGoingDoNot) {
    EXPECT_EQ(decode({{.what = kFork, .seq = 1, .pid = 101, .tgid = 100}}), ProcessEventBatch{});
    EXPECT_EQ(decode({{.what = kExit, .seq = 2, .pid = 101, .tgid = 100}}), ProcessEventBatch{});
}

TEST_F(ProcEventDecoderTest, ASkippedNumberOnACpuMeansLostEvents) {
    EXPECT_FALSE(decode({{.what = kUid, .cpu = 0, .seq = 7}, {.what = kUid, .cpu = 1, .seq = 50}}).lost);
    EXPECT_FALSE(decode({{.what = kUid, .cpu = 1, .seq = 51}, {.what = kUid, .cpu = 0, .seq = 8}}).lost);
    EXPECT_TRUE(decode({{.what = kUid, .cpu = 0, .seq = 10}}).lost);
    EXPECT_FALSE(decode({{.what = kUid, .cpu = 0, .seq = 11}}).lost);
}

TEST_F(ProcEventDecoderTest, NumbersWrapAround) {
    EXPECT_FALSE(decode({{.what = kUid, .seq = 0xFFFFFFFF}, {.what = kUid, .seq = 0}}).lost);
}

TEST_F(ProcEventDecoderTest, TheAnswerToTheSubscriptionIsNoEventAndKeepsNoNumber) {
    ProcessEventBatch batch;
    const auto granted = Datagram({{.what = kNone, .seq = 0, .pid = 0}});
    EXPECT_EQ(decoder.decode(granted, batch), 0u);
    const auto refused = Datagram({{.what = kNone, .seq = 0, .pid = 1}});
    EXPECT_EQ(decoder.decode(refused, batch), 1u);
    EXPECT_EQ(batch, ProcessEventBatch{});
    EXPECT_FALSE(decode({{.what = kUid, .seq = 40}, {.what = kNone, .seq = 0}, {.what = kUid, .seq = 41}}).lost);
}

TEST_F(ProcEventDecoderTest, OtherConnectorsAreIgnored) {
    EXPECT_EQ(decode({{.what = kExec, .seq = 1, .idx = CN_IDX_PROC + 1}}), ProcessEventBatch{});
}

TEST_F(ProcEventDecoderTest, ErrorsOverrunsAndTornMessagesMeanLostEvents) {
    EXPECT_TRUE(decode({{.what = kExec, .type = NLMSG_ERROR}}).lost);
    EXPECT_TRUE(decode({{.what = kExec, .type = NLMSG_OVERRUN}}).lost);
    auto torn = Datagram({{.what = kExec, .seq = 1}});
    torn.resize(torn.size() - 8);
    ProcessEventBatch batch;
    decoder.decode(torn, batch);
    EXPECT_TRUE(batch.lost);
}

// A message whose length is not a multiple of 4 ends its datagram without padding:
// the step to the next message must stop at the end of the bytes.
TEST_F(ProcEventDecoderTest, MessagesOfAnyLengthAreReadWithinTheDatagram) {
    std::vector<std::byte> tiny(18);
    const nlmsghdr header{.nlmsg_len = 18, .nlmsg_type = NLMSG_DONE, .nlmsg_flags = 0, .nlmsg_seq = 0, .nlmsg_pid = 0};
    std::memcpy(tiny.data(), &header, sizeof header);
    EXPECT_EQ(decodeGuarded(tiny), ProcessEventBatch{});

    const std::size_t eventBytes = sizeof(proc_event);
    for (const std::size_t extra : {1u, 2u, 3u}) {
        const auto odd =
            Resized(Datagram({{.what = kExec, .seq = static_cast<std::uint32_t>(extra)}}), eventBytes, extra);
        EXPECT_EQ(decodeGuarded(odd), (ProcessEventBatch{.exec = true, .changed = true, .started = {100}})) << extra;
    }

    // Followed by another message, an odd one is padded as usual.
    auto two = Resized(Datagram({{.what = kFork, .seq = 4}}), eventBytes, 2);
    two.resize(NLMSG_ALIGN(two.size()));
    const auto exit = Datagram({{.what = kExit, .seq = 5}});
    two.insert(two.end(), exit.begin(), exit.end());
    EXPECT_EQ(decodeGuarded(two), (ProcessEventBatch{.changed = true, .begun = {100}, .ended = {100}}));
    EXPECT_FALSE(decodeGuarded(Datagram({{.what = kExec, .seq = 6}})).lost);
}

// An event too short to hold what its kind reports tells nothing reliable: it counts
// as events lost (the next cycle reads /proc), never as the zeros it lacks.
TEST_F(ProcEventDecoderTest, EventsCutShortMeanLostEvents) {
    const std::size_t head = offsetof(proc_event, event_data);
    // A fork cut after the child's PID: its thread group is missing.
    const auto fork = Resized(Datagram({{.what = kFork, .seq = 1, .pid = 101, .tgid = 100}}), head + 12, 0);
    EXPECT_EQ(decodeGuarded(fork), ProcessEventBatch{.lost = true});
    const auto exit = Resized(Datagram({{.what = kExit, .seq = 2, .pid = 101, .tgid = 100}}), head + 4, 0);
    EXPECT_EQ(decodeGuarded(exit), ProcessEventBatch{.lost = true});
    ProcessEventBatch batch;
    const GuardedBytes ack(Resized(Datagram({{.what = kNone, .seq = 0, .pid = 1}}), head + 2, 0));
    EXPECT_EQ(decoder.decode(ack.bytes(), batch), std::nullopt);
    EXPECT_TRUE(batch.lost);
}

} // namespace
} // namespace korvane
