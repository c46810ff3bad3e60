#pragma once

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include <sys/types.h>

#include "platform/api/process_events.h"
#include "platform/linux/fanotify_execution_guard.h"
#include "service/client_connection.h"
#include "service/guard_processes.h"

namespace korvane::guard {

// The service's one loop: accepts windows on the listening socket, answers their
// requests, and tells them when the kernel reports processes beginning, ending or
// starting programs. A client that breaks the protocol, floods or never reads is
// dropped alone; the others go on being served. Waits in epoll when nothing happens.
//
// With an execution guard, the Kill set a window pushes is refused before its
// programs start, and stays so after that window has gone: the last set pushed is in
// force. The guard answers the kernel on a thread of its own; this loop only replaces
// the set, lets the marks follow the files each second, and hands the guard's reports
// to the greeted windows (while none is, the guard keeps the latest for the next).
class GuardServer {
public:
    static constexpr std::size_t kMaxClients = 64;
    // Requests handled for one client before the others get their turn.
    static constexpr int kRequestsPerTurn = 16;
    // Connections taken per turn: a storm of them must not starve those already in.
    static constexpr int kAcceptsPerTurn = 8;

    // How often the marks follow the files put at the paths of the set.
    static constexpr int kMarkRefreshSeconds = 1;

    GuardServer(int listener, std::optional<gid_t> group, GuardProcesses& processes, ProcessEvents* events,
                FanotifyExecutionGuard* executionGuard = nullptr);
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
    // Starts the mark refresh timer; false when it cannot be had.
    bool startMarkRefresh();
    void applyKillSet(const ClientConnection& client, const protocol::KillSet& set);
    // Sends the guard's reports to every greeted window, if there is one.
    void forwardReports();
    // The reports are read only while a greeted window can take them.
    void watchReports();

    int listener_;
    std::optional<gid_t> group_;
    GuardProcesses& processes_;
    ProcessEvents* events_;
    int epoll_ = -1;
    int eventSource_ = -1; // the process events' descriptor while subscribed
    FanotifyExecutionGuard* executionGuard_;
    int markRefresh_ = -1;        // timerfd while there is an execution guard
    bool reportsWatched_ = false; // the guard's report descriptor is in the epoll set
    std::unordered_map<int, std::unique_ptr<ClientConnection>> clients_;
    std::unordered_map<int, std::string> doomed_; // socket -> why, dropped at the end of the turn
};

} // namespace korvane::guard
