#include "service/guard_server.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <unordered_set>
#include <variant>

#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include "engine/kill_set.h"
#include "platform/linux/proc_files.h"
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

protocol::ExecutionReported ToWire(const ExecutionReport& report) {
    const auto kind = [&] {
        switch (report.kind) {
        case ExecutionReport::Kind::Refused:
            return protocol::ReportKind::Refused;
        case ExecutionReport::Kind::NotGuarded:
            return protocol::ReportKind::NotGuarded;
        case ExecutionReport::Kind::GaveUp:
            break;
        }
        return protocol::ReportKind::GaveUp;
    }();
    return {kind, report.pid, report.path, report.reason};
}

} // namespace

GuardServer::GuardServer(int listener, std::optional<gid_t> group, GuardProcesses& processes, ProcessEvents* events,
                         FanotifyExecutionGuard* executionGuard)
    : listener_(listener), group_(group), processes_(processes), events_(events),
      epoll_(::epoll_create1(EPOLL_CLOEXEC)), executionGuard_(executionGuard) {}

GuardServer::~GuardServer() {
    clients_.clear();
    if (markRefresh_ >= 0) {
        ::close(markRefresh_);
    }
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
    if (processes_.endsDescriptor() >= 0) {
        watch(processes_.endsDescriptor(), EPOLLIN, EPOLL_CTL_ADD);
    }
    if (executionGuard_ != nullptr && !startMarkRefresh()) {
        LogEvent("no timer for the marks: files put at a Kill-listed path are refused from the next Kill set on");
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
            if (descriptor >= 0 && descriptor == processes_.endsDescriptor()) {
                processes_.letGoOfEnded();
                continue;
            }
            if (descriptor >= 0 && descriptor == markRefresh_) {
                std::uint64_t expirations = 0;
                [[maybe_unused]] const ssize_t read = ::read(markRefresh_, &expirations, sizeof expirations);
                executionGuard_->refreshMarks();
                continue;
            }
            if (executionGuard_ != nullptr && descriptor == executionGuard_->descriptor()) {
                forwardReports();
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
        watchReports();
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
        // Its window's own program is never refused, whatever any Kill set says.
        if (const auto executable = linux_proc::ExecutablePath(peer->pid); executionGuard_ != nullptr && executable) {
            executionGuard_->protectWindowExecutable(*executable);
        }
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
        // What the guard did while no window was there to hear it.
        forwardReports();
        return !doomed_.contains(client.socket());
    }
    if (!client.greeted()) {
        doomed_.emplace(client.socket(), "dropped: no hello first");
        return false;
    }
    if (std::holds_alternative<protocol::ListProcesses>(message)) {
        for (const protocol::ProcessList& part : processes_.list(eventSource_ >= 0)) {
            send(client, part);
        }
    } else if (const auto* lookUp = std::get_if<protocol::LookUpProcess>(&message)) {
        send(client, processes_.lookUp(lookUp->pid));
    } else if (const auto* request = std::get_if<protocol::DigestImage>(&message)) {
        send(client, processes_.digest(request->id));
    } else if (const auto* kill = std::get_if<protocol::Kill>(&message)) {
        const protocol::KillOutcome outcome = processes_.kill(kill->id, client.peer().pid);
        LogEvent("kill of pid " + std::to_string(kill->id.pid) + " asked by " + client.peer().describe() + ": " +
                 KillOutcomeText(outcome));
        send(client, protocol::KillResult{outcome});
    } else if (const auto* set = std::get_if<protocol::KillSet>(&message)) {
        applyKillSet(client, *set);
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
    // Followed before the windows hear of it, so that the table they ask for holds it.
    processes_.follow(batch);
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
    // The windows look at each new program at once, as the kernel's events let a root
    // window do; past so many, their next reading finds the rest.
    const std::size_t named = std::min(batch.started.size(), protocol::kMostStarted);
    const protocol::Changed changed{batch.exec, batch.changed, batch.lost,
                                    std::vector<std::int32_t>(batch.started.begin(), batch.started.begin() + named)};
    for (const auto& [socket, client] : clients_) {
        if (client->greeted()) {
            send(*client, changed);
        }
    }
}

bool GuardServer::startMarkRefresh() {
    markRefresh_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    if (markRefresh_ < 0) {
        return false;
    }
    itimerspec every{};
    every.it_interval.tv_sec = kMarkRefreshSeconds;
    every.it_value.tv_sec = kMarkRefreshSeconds;
    ::timerfd_settime(markRefresh_, 0, &every, nullptr);
    watch(markRefresh_, EPOLLIN, EPOLL_CTL_ADD);
    return true;
}

void GuardServer::applyKillSet(const ClientConnection& client, const protocol::KillSet& set) {
    if (executionGuard_ == nullptr || !executionGuard_->guarding()) {
        return;
    }
    auto rule = std::make_shared<const KillSet>(set.generation, set.entries, set.neverKill);
    const std::size_t files = rule->files().size();
    executionGuard_->replace(std::move(rule));
    LogEvent("Kill set " + std::to_string(set.generation) + " from " + client.peer().describe() + ": " +
             std::to_string(executionGuard_->markedPaths().size()) + " of " + std::to_string(files) +
             " full paths refused before they start");
}

void GuardServer::forwardReports() {
    const bool anyone = std::any_of(clients_.begin(), clients_.end(), [&](const auto& client) {
        return client.second->greeted() && !doomed_.contains(client.first);
    });
    if (executionGuard_ == nullptr || !anyone) {
        return;
    }
    for (const ExecutionReport& report : executionGuard_->takeReports()) {
        const protocol::ExecutionReported wire = ToWire(report);
        if (!protocol::FitsInFrame(wire)) {
            continue;
        }
        for (const auto& [socket, client] : clients_) {
            if (client->greeted()) {
                send(*client, wire);
            }
        }
    }
}

void GuardServer::watchReports() {
    if (executionGuard_ == nullptr) {
        return;
    }
    const bool wanted =
        std::any_of(clients_.begin(), clients_.end(), [](const auto& client) { return client.second->greeted(); });
    if (wanted != reportsWatched_) {
        watch(executionGuard_->descriptor(), EPOLLIN, wanted ? EPOLL_CTL_ADD : EPOLL_CTL_DEL);
        reportsWatched_ = wanted;
    }
}

} // namespace korvane::guard
