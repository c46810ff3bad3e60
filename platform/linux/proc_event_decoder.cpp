#include "platform/linux/proc_event_decoder.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include <linux/cn_proc.h>
#include <linux/connector.h>
#include <linux/netlink.h>

namespace korvane::linux_proc {

namespace {

// The event codes of <linux/cn_proc.h>. Headers before Linux 6.6 declare them inside
// struct proc_event, later ones outside it; the values are the kernel's ABI.
constexpr std::uint32_t kNone = 0x00000000;
constexpr std::uint32_t kFork = 0x00000001;
constexpr std::uint32_t kExec = 0x00000002;
constexpr std::uint32_t kExit = 0x80000000;

// How many bytes of the event's data an event of this kind must hold for what is read of it.
std::size_t EventDataSize(std::uint32_t what) {
    switch (what) {
    case kNone:
        return sizeof(proc_event{}.event_data.ack);
    case kFork:
        return sizeof(proc_event{}.event_data.fork);
    case kExec:
        return sizeof(proc_event{}.event_data.exec);
    case kExit:
        return sizeof(proc_event{}.event_data.exit);
    default:
        return 0;
    }
}

} // namespace

std::optional<std::uint32_t> ProcEventDecoder::decode(std::span<const std::byte> datagram, ProcessEventBatch& batch) {
    std::optional<std::uint32_t> answer;
    std::size_t at = 0;
    while (datagram.size() - at >= sizeof(nlmsghdr)) {
        nlmsghdr header{};
        std::memcpy(&header, datagram.data() + at, sizeof header);
        if (header.nlmsg_len < sizeof header || header.nlmsg_len > datagram.size() - at) {
            batch.lost = true; // a torn message: what else it held is unknown
            return answer;
        }
        const std::span<const std::byte> body = datagram.subspan(at + NLMSG_HDRLEN, header.nlmsg_len - NLMSG_HDRLEN);
        // The padding after the last message may be missing: never step past the end.
        at += std::min<std::size_t>(NLMSG_ALIGN(header.nlmsg_len), datagram.size() - at);
        if (header.nlmsg_type == NLMSG_ERROR || header.nlmsg_type == NLMSG_OVERRUN) {
            batch.lost = true;
            continue;
        }
        cn_msg message{};
        if (header.nlmsg_type == NLMSG_NOOP || body.size() < sizeof message) {
            continue;
        }
        std::memcpy(&message, body.data(), sizeof message);
        if (message.id.idx != CN_IDX_PROC || message.id.val != CN_VAL_PROC) {
            continue;
        }
        proc_event event{};
        const std::size_t payload = std::min<std::size_t>(message.len, body.size() - sizeof message);
        if (payload < offsetof(proc_event, event_data)) {
            continue;
        }
        std::memcpy(&event, body.data() + sizeof message, std::min(payload, sizeof event));
        const auto what = static_cast<std::uint32_t>(event.what);
        if (payload < offsetof(proc_event, event_data) + EventDataSize(what)) {
            batch.lost = true; // a torn event: what it reported is unknown
            continue;
        }
        // The answer to a subscription carries our own number, not the CPU's.
        if (what == kNone) {
            answer = event.event_data.ack.err;
            continue;
        }
        sequence(event.cpu, message.seq, batch);
        // Threads beginning and ending change no process.
        if (what == kFork && event.event_data.fork.child_pid == event.event_data.fork.child_tgid) {
            batch.changed = true;
            batch.begun.push_back(event.event_data.fork.child_tgid);
        } else if (what == kExec) {
            batch.exec = true;
            batch.changed = true;
            batch.started.push_back(event.event_data.exec.process_tgid);
        } else if (what == kExit && event.event_data.exit.process_pid == event.event_data.exit.process_tgid) {
            batch.changed = true;
            batch.ended.push_back(event.event_data.exit.process_tgid);
        }
    }
    return answer;
}

void ProcEventDecoder::sequence(std::uint32_t cpu, std::uint32_t number, ProcessEventBatch& batch) {
    const auto [known, first] = expected_.try_emplace(cpu, number);
    if (!first && known->second != number) {
        batch.lost = true;
    }
    known->second = number + 1;
}

} // namespace korvane::linux_proc
