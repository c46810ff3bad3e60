#include "service/client_connection.h"

#include <cerrno>

#include <sys/socket.h>
#include <unistd.h>

namespace korvane::guard {

ClientConnection::~ClientConnection() {
    ::close(socket_);
}

bool ClientConnection::queue(const protocol::Message& message) {
    if (sent_ == outbound_.size()) {
        outbound_.clear();
        sent_ = 0;
    }
    protocol::AppendFrame(outbound_, message);
    return outbound_.size() - sent_ <= kMaxBacklog;
}

bool ClientConnection::flush() {
    while (pending()) {
        const ssize_t written = ::send(socket_, outbound_.data() + sent_, outbound_.size() - sent_, MSG_NOSIGNAL);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        sent_ += static_cast<std::size_t>(written);
    }
    outbound_.clear();
    sent_ = 0;
    return true;
}

} // namespace korvane::guard
