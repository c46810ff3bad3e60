#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <unordered_map>

#include "platform/api/process_events.h"

namespace korvane::linux_proc {

// Reads the datagrams of the kernel's process connector. Threads coming and going
// are not processes beginning or ending, so only thread-group leaders count. The
// kernel numbers the events of each CPU in sequence; a number skipped means events
// were dropped before they reached us.
class ProcEventDecoder {
public:
    // Adds what the datagram reports to `batch`. Returns the error code of the
    // connector's answer to a subscription when the datagram holds one (0: granted).
    std::optional<std::uint32_t> decode(std::span<const std::byte> datagram, ProcessEventBatch& batch);

private:
    void sequence(std::uint32_t cpu, std::uint32_t number, ProcessEventBatch& batch);

    std::unordered_map<std::uint32_t, std::uint32_t> expected_; // CPU -> next sequence number
};

} // namespace korvane::linux_proc
