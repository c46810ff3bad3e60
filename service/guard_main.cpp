#include <csignal>
#include <string>
#include <vector>

#include <sys/signalfd.h>
#include <unistd.h>

#include "platform/linux/fanotify_execution_guard.h"
#include "platform/linux/linux_process_events.h"
#include "service/guard_log.h"
#include "service/guard_options.h"
#include "service/guard_processes.h"
#include "service/guard_server.h"
#include "service/listening_socket.h"
#include "service/peer_credentials.h"

int main(int argc, char** argv) {
    using namespace korvane::guard;
    std::string error;
    const auto options = ParseGuardOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        LogEvent(error + "; usage: korvane-guard [--socket PATH] [--group NAME]");
        return 2;
    }
    // A window that goes away mid-write must not end the service.
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t stopping;
    sigemptyset(&stopping);
    sigaddset(&stopping, SIGTERM);
    sigaddset(&stopping, SIGINT);
    sigprocmask(SIG_BLOCK, &stopping, nullptr);
    const int stop = ::signalfd(-1, &stopping, SFD_CLOEXEC | SFD_NONBLOCK);

    const auto group = GroupId(options->group);
    if (!group) {
        LogEvent("no group " + options->group + ": only root may connect");
    }
    bool activated = false;
    const int listener = OpenListeningSocket(options->socketPath, group, activated, error);
    if (listener < 0 || stop < 0) {
        LogEvent(listener < 0 ? error : "cannot receive SIGTERM");
        return 1;
    }
    korvane::LinuxProcessEvents events;
    if (!events.subscribed()) {
        LogEvent("no process events (they need root in the initial namespaces): windows read the table every tick");
    }
    korvane::guard::GuardProcesses processes;
    const auto executionGuard = korvane::FanotifyExecutionGuard::Create();
    if (!executionGuard) {
        LogEvent("no fanotify group (it needs root and a kernel with FAN_OPEN_EXEC_PERM): Kill-listed programs are "
                 "ended after they start");
    }
    LogEvent(std::string("listening on ") + (activated ? "the socket systemd passed" : options->socketPath));
    GuardServer server(listener, group, processes, &events, executionGuard.get());
    const bool served = server.run(stop);
    if (!activated) {
        ::unlink(options->socketPath.c_str());
    }
    LogEvent(served ? "stopped" : "the event loop failed");
    return served ? 0 : 1;
}
