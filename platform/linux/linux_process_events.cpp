#include "platform/linux/linux_process_events.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <span>
#include <utility>

#include <linux/cn_proc.h>
#include <linux/connector.h>
#include <linux/netlink.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace korvane {

namespace {

// The subscription's answer comes at once; a kernel that never answers has no
// connector worth waiting for.
constexpr std::chrono::milliseconds kAnswerTimeout{1000};
// A flood of events must not hold the event loop: the rest waits for the next call.
constexpr int kMostDatagramsPerTake = 4096;

} // namespace

LinuxProcessEvents::LinuxProcessEvents(int receiveBuffer) {
    socket_ = ::socket(PF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_CONNECTOR);
    if (socket_ < 0) {
        return;
    }
    // Past the system's maximum only with the privilege the subscription needs anyway.
    if (::setsockopt(socket_, SOL_SOCKET, SO_RCVBUFFORCE, &receiveBuffer, sizeof receiveBuffer) != 0) {
        ::setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = CN_IDX_PROC;
    // Refused without the permission; some kernels refuse only the subscription below.
    if (::bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        !send(PROC_CN_MCAST_LISTEN) || !granted()) {
        ::close(socket_);
        socket_ = -1;
        early_ = {};
        return;
    }
    subscribed_ = true;
}

LinuxProcessEvents::~LinuxProcessEvents() {
    if (socket_ < 0) {
        return;
    }
    // Older kernels count listeners until told, and report events while any is counted.
    send(PROC_CN_MCAST_IGNORE);
    ::close(socket_);
}

bool LinuxProcessEvents::send(int operation) {
    const auto code = static_cast<std::uint32_t>(operation);
    std::array<std::byte, sizeof(nlmsghdr) + sizeof(cn_msg) + sizeof code> request{};
    nlmsghdr header{};
    header.nlmsg_len = request.size();
    header.nlmsg_type = NLMSG_DONE;
    cn_msg message{};
    message.id.idx = CN_IDX_PROC;
    message.id.val = CN_VAL_PROC;
    message.len = sizeof code;
    std::memcpy(request.data(), &header, sizeof header);
    std::memcpy(request.data() + sizeof header, &message, sizeof message);
    std::memcpy(request.data() + sizeof header + sizeof message, &code, sizeof code);
    return ::send(socket_, request.data(), request.size(), 0) == static_cast<ssize_t>(request.size());
}

bool LinuxProcessEvents::granted() {
    const auto deadline = std::chrono::steady_clock::now() + kAnswerTimeout;
    std::optional<std::uint32_t> answer;
    while (!answer) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ready{socket_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0 ||
            receive(early_, answer) == Received::Failure) {
            return false;
        }
    }
    return *answer == 0;
}

LinuxProcessEvents::Received LinuxProcessEvents::receive(ProcessEventBatch& batch,
                                                         std::optional<std::uint32_t>& answer) {
    alignas(nlmsghdr) std::array<std::byte, 8192> buffer{};
    sockaddr_nl from{};
    socklen_t fromSize = sizeof from;
    for (;;) {
        const ssize_t length = ::recvfrom(socket_, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                          reinterpret_cast<sockaddr*>(&from), &fromSize);
        if (length >= 0) {
            // Only the kernel speaks for the connector; another process could send
            // here, but never make the watch miss anything.
            if (from.nl_pid == 0) {
                answer = decoder_.decode(std::span(buffer.data(), static_cast<std::size_t>(length)), batch);
            }
            return Received::Datagram;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == ENOBUFS) {
            // The kernel dropped what did not fit; the socket goes on.
            batch.lost = true;
            continue;
        }
        return errno == EAGAIN || errno == EWOULDBLOCK ? Received::Nothing : Received::Failure;
    }
}

ProcessEventBatch LinuxProcessEvents::takeEvents() {
    ProcessEventBatch batch = std::exchange(early_, {});
    std::optional<std::uint32_t> answer;
    for (int taken = 0; subscribed_ && taken < kMostDatagramsPerTake; ++taken) {
        const Received received = receive(batch, answer);
        if (received == Received::Failure) {
            subscribed_ = false;
            batch.lost = true;
        }
        if (received != Received::Datagram) {
            break;
        }
    }
    return batch;
}

} // namespace korvane
