#pragma once

#include <csignal>

#include "platform/api/end_of_session.h"

namespace korvane {

// SIGTERM and SIGHUP through a self-pipe: once receiving, the handler only writes one
// byte to the pipe, the event loop reads it. Only one object may receive at a time; it
// puts the previous handlers back when destroyed.
class LinuxEndOfSession : public EndOfSession {
public:
    LinuxEndOfSession() = default;
    ~LinuxEndOfSession() override;
    LinuxEndOfSession(const LinuxEndOfSession&) = delete;
    LinuxEndOfSession& operator=(const LinuxEndOfSession&) = delete;

    int startReceiving() override;
    bool takeRequests() override;

private:
    int readEnd_ = -1;
    int writeEnd_ = -1;
    struct sigaction previousTerm_ {};
    struct sigaction previousHangUp_ {};
};

} // namespace korvane
