#include "platform/linux/proc_event_decoder.h"

#include <cstring>
#include <vector>

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

class ProcEventDecoderTest : public ::testing::Test {
protected:
    ProcessEventBatch decode(const std::vector<Message>& messages) {
        ProcessEventBatch batch;
        const auto bytes = Datagram(messages);
        decoder.decode(bytes, batch);
        return batch;
    }

    linux_proc::ProcEventDecoder decoder;
};

TEST_F(ProcEventDecoderTest, ProcessesBeginningEndingAndStartingProgramsCount) {
    EXPECT_EQ(decode({{.what = kFork, .seq = 1}}), (ProcessEventBatch{.changed = true}));
    EXPECT_EQ(decode({{.what = kExec, .seq = 2}}),
              (ProcessEventBatch{.exec = true, .changed = true, .started = {100}}));
    EXPECT_EQ(decode({{.what = kExit, .seq = 3}}), (ProcessEventBatch{.changed = true}));
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

} // namespace
} // namespace korvane
