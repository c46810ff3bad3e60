#include "service/guard_server.h"

#include <array>
#include <cerrno>
#include <unordered_set>
#include <variant>

#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "service/guard_log.h"

namespace korvane::guard {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

const char* KillOutcomeText(protocol::KillOutcome outcome) {
    switch (outcome) {
    case protocol::KillOutcome::Signalled:
        return "killed";
    case protocol::KillOutcome::NotReached:
        return "not reached (ended or not that process)";
    case protocol::KillOutcome::Refused:
        return "refused";
    }
    return "?";
}

} // namespace

GuardServer::GuardServer(int listener, std::optional<gid_t> group, GuardProcesses& processes, ProcessEvents* events)
    : listener_(listener), group_(group), processes_(processes), events_(events),
      epoll_(::epoll_create1(EPOLL_CLOEXEC)) {}

GuardServer::~GuardServer() {
    clients_.clear();
    if (epoll_ >= 0) {
        ::close(epoll_);
    }
}

void GuardServer::watch(int descriptor, std::uint32_t events, int operation) {
    epoll_event event{};
    event.events = events;
    event.data.fd = descriptor;
    ::epoll_ctl(epoll_, operation, descriptor, &event);
}

bool GuardServer::run(int stop) {
    if (epoll_ < 0) {
        return false;
    }
    watch(listener_, EPOLLIN, EPOLL_CTL_ADD);
    watch(stop, EPOLLIN, EPOLL_CTL_ADD);
    eventSource_ = events_ != nullptr && events_->subscribed() ? events_->descriptor() : -1;
    if (eventSource_ >= 0) {
        watch(eventSource_, EPOLLIN, EPOLL_CTL_ADD);
    }
    // Clients with complete requests left over from their last turn.
    std::unordered_set<int> busy;
    std::array<epoll_event, 64> ready{};
    for (;;) {
        const int count = ::epoll_wait(epoll_, ready.data(), static_cast<int>(ready.size()), busy.empty() ? -1 : 0);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        std::unordered_set<int> served;
        for (int i = 0; i < count; ++i) {
            const int descriptor = ready[static_cast<std::size_t>(i)].data.fd;
            const std::uint32_t events = ready[static_cast<std::size_t>(i)].events;
            if (descriptor == stop) {
                return true;
            }
            if (descriptor == listener_) {
                accept();
                continue;
            }
            if (descriptor >= 0 && descriptor == eventSource_) {
                processEvents();
                continue;
            }
            const auto found = clients_.find(descriptor);
            if (found == clients_.end() || doomed_.contains(descriptor)) {
                continue;
            }
            ClientConnection& client = *found->second;
            if ((events & EPOLLOUT) != 0) {
                write(client);
            }
            if ((events & (EPOLLIN | EPOLLHUP | EPOLLERR)) != 0) {
                served.insert(descriptor);
                if (serve(client, true)) {
                    busy.insert(descriptor);
                } else {
                    busy.erase(descriptor);
                }
            }
        }
        for (auto at = busy.begin(); at != busy.end();) {
            const auto found = clients_.find(*at);
            const bool left = found != clients_.end() && !doomed_.contains(*at) &&
                              (served.contains(*at) || serve(*found->second, false));
            at = left ? std::next(at) : busy.erase(at);
        }
        for (const auto& [socket, reason] : doomed_) {
            busy.erase(socket);
            drop(socket, reason);
        }
        doomed_.clear();
    }
}

void GuardServer::accept() {
    for (int accepted = 0; accepted < kAcceptsPerTurn; ++accepted) {
        const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (socket < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            return;
        }
        const auto peer = ReadPeerCredentials(socket);
        if (!peer || !peer->admitted(group_)) {
            LogEvent("refused client " + (peer ? peer->describe() : std::string("of unknown credentials")) +
                     ": neither root nor a member of the group");
            ::close(socket);
            continue;
        }
        if (clients_.size() >= kMaxClients) {
            LogEvent("refused client " + peer->describe() + ": too many clients");
            ::close(socket);
            continue;
        }
        LogEvent("accepted client " + peer->describe());
        clients_.emplace(socket, std::make_unique<ClientConnection>(socket, *peer));
        watch(socket, EPOLLIN, EPOLL_CTL_ADD);
    }
}

bool GuardServer::serve(ClientConnection& client, bool readable) {
    if (readable) {
        std::array<std::byte, kReadChunk> buffer{};
        const ssize_t length = ::recv(client.socket(), buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (length == 0 || (length < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            doomed_.emplace(client.socket(), "gone");
            return false;
        }
        if (length > 0) {
            client.decoder().append(std::span(buffer.data(), static_cast<std::size_t>(length)));
        }
    }
    for (int handled = 0; handled < kRequestsPerTurn; ++handled) {
        const protocol::FrameDecoder::Result result = client.decoder().next();
        if (result.error) {
            doomed_.emplace(client.socket(), std::string("dropped: ") + protocol::FrameErrorText(*result.error));
            return false;
        }
        if (!result.message || !handle(client, *result.message)) {
            return false;
        }
    }
    return true;
}

bool GuardServer::handle(ClientConnection& client, const protocol::Message& message) {
    if (!protocol::SentByWindow(message)) {
        doomed_.emplace(client.socket(), "dropped: unexpected frame");
        return false;
    }
    if (const auto* hello = std::get_if<protocol::Hello>(&message)) {
        if (client.greeted()) {
            doomed_.emplace(client.socket(), "dropped: second hello");
            return false;
        }
        send(client, protocol::Hello{});
        if (hello->version != protocol::kVersion) {
            doomed_.emplace(client.socket(), "dropped: protocol version " + std::to_string(hello->version));
            return false;
        }
        client.greet();
        return true;
    }
    if (!client.greeted()) {
        doomed_.emplace(client.socket(), "dropped: no hello first");
        return false;
    }
    if (std::holds_alternative<protocol::ListProcesses>(message)) {
        for (const protocol::ProcessList& part : processes_.list()) {
            send(client, part);
        }
    } else if (const auto* request = std::get_if<protocol::DigestImage>(&message)) {
        send(client, processes_.digest(request->id));
    } else if (const auto* kill = std::get_if<protocol::Kill>(&message)) {
        const protocol::KillOutcome outcome = processes_.kill(kill->id, client.peer().pid);
        LogEvent("kill of pid " + std::to_string(kill->id.pid) + " asked by " + client.peer().describe() + ": " +
                 KillOutcomeText(outcome));
        send(client, protocol::KillResult{outcome});
    }
    return !doomed_.contains(client.socket());
}

void GuardServer::send(ClientConnection& client, const protocol::Message& message) {
    if (doomed_.contains(client.socket())) {
        return;
    }
    if (!client.queue(message)) {
        doomed_.emplace(client.socket(), "dropped: does not read what it asked for");
        return;
    }
    write(client);
}

void GuardServer::write(ClientConnection& client) {
    const bool waiting = client.pending();
    if (!client.flush()) {
        doomed_.emplace(client.socket(), "gone");
        return;
    }
    if (waiting != client.pending() || client.pending()) {
        watch(client.socket(), EPOLLIN | (client.pending() ? EPOLLOUT : 0u), EPOLL_CTL_MOD);
    }
}

void GuardServer::drop(int socket, const std::string& reason) {
    const auto found = clients_.find(socket);
    if (found == clients_.end()) {
        return;
    }
    LogEvent("client " + found->second->peer().describe() + " " + reason);
    ::epoll_ctl(epoll_, EPOLL_CTL_DEL, socket, nullptr);
    clients_.erase(found);
}

void GuardServer::processEvents() {
    const ProcessEventBatch batch = events_->takeEvents();
    if (batch.lost) {
        LogEvent("process events were lost");
    }
    if (!events_->subscribed()) {
        LogEvent("process events ended; windows read the table on every tick");
        ::epoll_ctl(epoll_, EPOLL_CTL_DEL, eventSource_, nullptr);
        eventSource_ = -1;
    }
    if (!batch.exec && !batch.changed && !batch.lost) {
        return;
    }
    const protocol::Changed changed{batch.exec, batch.changed, batch.lost};
    for (const auto& [socket, client] : clients_) {
        if (client->greeted()) {
            send(*client, changed);
        }
    }
}

} // namespace korvane::guard
