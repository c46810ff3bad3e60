#pragma once

#include <cstdint>
#include <optional>

#include "platform/api/process_events.h"
#include "platform/linux/proc_event_decoder.h"

namespace korvane {

// The kernel's process connector: a netlink socket subscribed to every fork, exec
// and exit. Only root (or a holder of CAP_NET_ADMIN) in the initial namespaces may
// subscribe; for anyone else the events are simply not there. A burst larger than
// the receive buffer is dropped by the kernel and reported as lost.
class LinuxProcessEvents : public ProcessEvents {
public:
    // Room for the events of a large build between two reads.
    static constexpr int kReceiveBuffer = 4 << 20;

    explicit LinuxProcessEvents(int receiveBuffer = kReceiveBuffer);
    ~LinuxProcessEvents() override;
    LinuxProcessEvents(const LinuxProcessEvents&) = delete;
    LinuxProcessEvents& operator=(const LinuxProcessEvents&) = delete;

    bool subscribed() const override { return subscribed_; }
    int descriptor() const override { return subscribed_ ? socket_ : -1; }
    ProcessEventBatch takeEvents() override;

private:
    // Sends a multicast operation (listen, ignore) to the connector.
    bool send(int operation);
    // Waits for the connector's answer to the subscription; true when it was granted.
    // Events that come first are kept for the first takeEvents().
    bool granted();
    enum class Received { Datagram, Nothing, Failure };
    // Reads one waiting datagram into `batch`, and into `answer` the connector's answer
    // to a subscription if it holds one.
    Received receive(ProcessEventBatch& batch, std::optional<std::uint32_t>& answer);

    int socket_ = -1;
    bool subscribed_ = false;
    linux_proc::ProcEventDecoder decoder_;
    ProcessEventBatch early_;
};

} // namespace korvane
