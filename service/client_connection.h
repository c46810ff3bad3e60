#pragma once

#include <cstddef>
#include <vector>

#include "protocol/frame_decoder.h"
#include "protocol/messages.h"
#include "service/peer_credentials.h"

namespace korvane::guard {

// One window connected to the service: what it sent that is not yet handled, and
// what waits to be written to it. Owns the socket.
class ClientConnection {
public:
    // A client that lets this much pile up unread is dropped: it never reads.
    static constexpr std::size_t kMaxBacklog = 4 << 20;

    ClientConnection(int socket, PeerCredentials peer) : socket_(socket), peer_(std::move(peer)) {}
    ~ClientConnection();
    ClientConnection(const ClientConnection&) = delete;
    ClientConnection& operator=(const ClientConnection&) = delete;

    int socket() const { return socket_; }
    const PeerCredentials& peer() const { return peer_; }
    protocol::FrameDecoder& decoder() { return decoder_; }
    bool greeted() const { return greeted_; }
    void greet() { greeted_ = true; }

    // Queues the frame; false once the backlog is past kMaxBacklog.
    bool queue(const protocol::Message& message);
    bool pending() const { return sent_ < outbound_.size(); }
    // Writes what the socket takes now; false when the socket failed.
    bool flush();

private:
    int socket_;
    PeerCredentials peer_;
    protocol::FrameDecoder decoder_;
    bool greeted_ = false;
    std::vector<std::byte> outbound_;
    std::size_t sent_ = 0;
};

} // namespace korvane::guard
