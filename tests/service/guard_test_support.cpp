#include "tests/service/guard_test_support.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>
#include <variant>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace korvane::test {

namespace {

int ConnectTo(const std::string& path) {
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(socket);
        return -1;
    }
    return socket;
}

} // namespace

std::vector<std::string> AsNobody(std::vector<std::string> command, std::optional<gid_t> group) {
    std::vector<std::string> full{"/usr/bin/setpriv", "--reuid=" + std::to_string(kNobody),
                                  "--regid=" + std::to_string(kNobody),
                                  group ? "--groups=" + std::to_string(*group) : "--clear-groups"};
    full.insert(full.end(), command.begin(), command.end());
    return full;
}

GuardService::GuardService(const std::string& socketPath, std::vector<std::string> runAs) : socketPath_(socketPath) {
    std::vector<std::string> command = std::move(runAs);
    command.insert(command.end(), {KORVANE_GUARD, "--socket", socketPath, "--group", kGuardGroup});
    const std::string executable = command.front();
    process_ = std::make_unique<ChildProcess>(executable, std::vector<std::string>(command.begin() + 1, command.end()));
}

GuardService::~GuardService() {
    if (!process_->ended()) {
        ::kill(process_->pid(), SIGTERM);
        process_->waitEnded(10000);
    }
}

bool GuardService::up() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline && !process_->ended()) {
        if (const int socket = ConnectTo(socketPath_); socket >= 0) {
            ::close(socket);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void GuardService::crash() {
    ::kill(process_->pid(), SIGKILL);
    process_->waitEnded(10000);
}

RawGuardClient::RawGuardClient(const std::string& socketPath) : socket_(ConnectTo(socketPath)) {}

RawGuardClient::~RawGuardClient() {
    if (socket_ >= 0) {
        ::close(socket_);
    }
}

bool RawGuardClient::send(const protocol::Message& message) {
    std::vector<std::byte> bytes;
    protocol::AppendFrame(bytes, message);
    return sendBytes(bytes);
}

bool RawGuardClient::sendBytes(std::span<const std::byte> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

std::optional<protocol::Message> RawGuardClient::receive(int milliseconds) {
    for (;;) {
        auto message = receiveAny(milliseconds);
        if (!message || !std::holds_alternative<protocol::Changed>(*message)) {
            return message;
        }
    }
}

std::optional<protocol::Changed> RawGuardClient::receiveReport(int milliseconds) {
    for (;;) {
        auto message = receiveAny(milliseconds);
        if (!message) {
            return std::nullopt;
        }
        if (const auto* report = std::get_if<protocol::Changed>(&*message)) {
            return *report;
        }
    }
}

std::optional<protocol::Message> RawGuardClient::receiveAny(int milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        const auto result = decoder_.next();
        if (result.message || result.error) {
            return result.message;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ready{socket_, POLLIN, 0};
        if (closed_ || left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            return std::nullopt;
        }
        std::byte buffer[65536];
        const ssize_t length = ::recv(socket_, buffer, sizeof buffer, 0);
        if (length <= 0) {
            closed_ = true;
            return std::nullopt;
        }
        decoder_.append(std::span(buffer, static_cast<std::size_t>(length)));
    }
}

bool RawGuardClient::greet() {
    if (!send(protocol::Hello{})) {
        return false;
    }
    const auto answer = receive();
    return answer && std::holds_alternative<protocol::Hello>(*answer);
}

bool RawGuardClient::closedBy(int milliseconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!closed_ && std::chrono::steady_clock::now() < deadline) {
        receiveAny(10);
    }
    return closed_;
}

std::optional<std::vector<protocol::ProcessEntry>> RawGuardClient::list() {
    if (!send(protocol::ListProcesses{})) {
        return std::nullopt;
    }
    std::vector<protocol::ProcessEntry> entries;
    for (;;) {
        const auto answer = receive();
        const auto* part = answer ? std::get_if<protocol::ProcessList>(&*answer) : nullptr;
        if (part == nullptr) {
            return std::nullopt;
        }
        entries.insert(entries.end(), part->entries.begin(), part->entries.end());
        if (part->last) {
            return entries;
        }
    }
}

} // namespace korvane::test
