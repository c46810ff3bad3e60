#include "platform/guard_client/guard_connection.h"

#include <cstdint>
#include <iterator>
#include <span>
#include <variant>

#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace korvane {

namespace {

constexpr int kConnectTimeout = 500; // milliseconds

// Only a service running as root may speak for every process.
bool PeerIsRoot(qintptr socket) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    return ::getsockopt(static_cast<int>(socket), SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 &&
           credentials.uid == 0;
}

void Signal(int eventFd) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(eventFd, &one, sizeof one);
}

void Drain(int eventFd) {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(eventFd, &count, sizeof count);
}

} // namespace

GuardConnection::GuardConnection(std::string path)
    : path_(std::move(path)), eventFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      reportsFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    retry_.setInterval(kRetry);
    connect(&retry_, &QTimer::timeout, this, &GuardConnection::retry);
    connect(&socket_, &QLocalSocket::readyRead, this, &GuardConnection::drain);
    connect(&socket_, &QLocalSocket::disconnected, this, &GuardConnection::lose);
}

GuardConnection::~GuardConnection() {
    socket_.disconnect(this);
    for (const int fd : {eventFd_, reportsFd_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

bool GuardConnection::open() {
    socket_.abort();
    decoder_ = {};
    answers_.clear();
    socket_.connectToServer(QString::fromStdString(path_));
    if (!socket_.waitForConnected(kConnectTimeout) || !PeerIsRoot(socket_.socketDescriptor())) {
        socket_.abort();
        return false;
    }
    connected_ = true;
    const auto hello = request(protocol::Hello{});
    const auto* answer = hello ? std::get_if<protocol::Hello>(&*hello) : nullptr;
    if (answer == nullptr || answer->version != protocol::kVersion) {
        connected_ = false;
        socket_.abort();
        return false;
    }
    up_ = true;
    ++openings_;
    return true;
}

std::optional<protocol::Message> GuardConnection::request(const protocol::Message& message) {
    if (!connected_) {
        return std::nullopt;
    }
    send(message);
    return nextAnswer();
}

bool GuardConnection::post(const protocol::Message& message) {
    if (connected_) {
        send(message);
    }
    return connected_;
}

void GuardConnection::send(const protocol::Message& message) {
    std::vector<std::byte> frame;
    protocol::AppendFrame(frame, message);
    socket_.write(reinterpret_cast<const char*>(frame.data()), static_cast<qint64>(frame.size()));
    socket_.flush();
}

std::optional<protocol::Message> GuardConnection::nextAnswer() {
    while (connected_ && answers_.empty()) {
        if (!socket_.waitForReadyRead(kAnswerTimeout)) {
            // Too slow counts as gone: the window must not hang on the service.
            lose();
            break;
        }
        drain();
    }
    if (answers_.empty()) {
        return std::nullopt;
    }
    protocol::Message answer = std::move(answers_.front());
    answers_.pop_front();
    return answer;
}

void GuardConnection::drain() {
    const QByteArray bytes = socket_.readAll();
    decoder_.append(std::as_bytes(std::span(bytes.constData(), static_cast<std::size_t>(bytes.size()))));
    for (;;) {
        protocol::FrameDecoder::Result result = decoder_.next();
        if (result.error || (result.message && protocol::SentByWindow(*result.message) &&
                             !std::holds_alternative<protocol::Hello>(*result.message))) {
            lose();
            return;
        }
        if (!result.message) {
            return;
        }
        if (const auto* changed = std::get_if<protocol::Changed>(&*result.message)) {
            events_.exec = events_.exec || changed->exec;
            events_.changed = events_.changed || changed->changed;
            events_.lost = events_.lost || changed->lost;
            events_.started.insert(events_.started.end(), changed->started.begin(), changed->started.end());
            Signal(eventFd_);
        } else if (auto* report = std::get_if<protocol::ExecutionReported>(&*result.message)) {
            if (reports_.size() == kReportsKept) {
                reports_.pop_front();
            }
            reports_.push_back(std::move(*report));
            Signal(reportsFd_);
        } else {
            answers_.push_back(std::move(*result.message));
        }
    }
}

void GuardConnection::lose() {
    if (!connected_) {
        return;
    }
    connected_ = false;
    answers_.clear();
    socket_.abort();
    retry_.start();
    // Said once when it goes, not again for every attempt that fails.
    if (std::exchange(up_, false) && stateHandler_) {
        stateHandler_();
    }
}

void GuardConnection::retry() {
    if (!open()) {
        return;
    }
    retry_.stop();
    // Anything may have happened while the service was away.
    events_.lost = true;
    Signal(eventFd_);
    if (stateHandler_) {
        stateHandler_();
    }
}

ProcessEventBatch GuardConnection::takeEvents() {
    Drain(eventFd_);
    return std::exchange(events_, {});
}

std::vector<protocol::ExecutionReported> GuardConnection::takeReports() {
    Drain(reportsFd_);
    std::vector<protocol::ExecutionReported> taken(std::make_move_iterator(reports_.begin()),
                                                   std::make_move_iterator(reports_.end()));
    reports_.clear();
    return taken;
}

} // namespace korvane
