#pragma once

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include <sys/types.h>

#include "platform/api/process_events.h"
#include "service/client_connection.h"
#include "service/guard_processes.h"

namespace korvane::guard {

// The service's one loop: accepts windows on the listening socket, answers their
// requests, and tells them when the kernel reports processes beginning, ending or
// starting programs. A client that breaks the protocol, floods or never reads is
// dropped alone; the others go on being served. Waits in epoll when nothing happens.
class GuardServer {
public:
    static constexpr std::size_t kMaxClients = 64;
    // Requests handled for one client before the others get their turn.
    static constexpr int kRequestsPerTurn = 16;
    // Connections taken per turn: a storm of them must not starve those already in.
    static constexpr int kAcceptsPerTurn = 8;

    GuardServer(int listener, std::optional<gid_t> group, GuardProcesses& processes, ProcessEvents* events);
    ~GuardServer();
    GuardServer(const GuardServer&) = delete;
    GuardServer& operator=(const GuardServer&) = delete;

    // Serves until `stop` turns readable; false when the loop itself failed.
    bool run(int stop);

private:
    void watch(int descriptor, std::uint32_t events, int operation);
    void accept();
    // Reads what the client sent and handles up to kRequestsPerTurn requests; true
    // when complete requests are left for another turn.
    bool serve(ClientConnection& client, bool readable);
    bool handle(ClientConnection& client, const protocol::Message& message);
    void send(ClientConnection& client, const protocol::Message& message);
    void write(ClientConnection& client);
    void drop(int socket, const std::string& reason);
    void processEvents();

    int listener_;
    std::optional<gid_t> group_;
    GuardProcesses& processes_;
    ProcessEvents* events_;
    int epoll_ = -1;
    int eventSource_ = -1; // the process events' descriptor while subscribed
    std::unordered_map<int, std::unique_ptr<ClientConnection>> clients_;
    std::unordered_map<int, std::string> doomed_; // socket -> why, dropped at the end of the turn
};

} // namespace korvane::guard
