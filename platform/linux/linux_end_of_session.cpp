#include "platform/linux/linux_end_of_session.h"

#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace korvane {

namespace {

// The one thing the signal handler may touch.
std::atomic<int> gRequestPipe{-1};

void OnEndRequest(int) {
    const int savedErrno = errno;
    const int fd = gRequestPipe.load();
    if (fd >= 0) {
        const char request = 1;
        // A full pipe already holds a pending request; nothing is lost.
        [[maybe_unused]] const ssize_t written = ::write(fd, &request, 1);
    }
    errno = savedErrno;
}

} // namespace

int LinuxEndOfSession::startReceiving() {
    if (readEnd_ >= 0) {
        return readEnd_;
    }
    int ends[2];
    if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) {
        return -1;
    }
    readEnd_ = ends[0];
    writeEnd_ = ends[1];
    gRequestPipe.store(writeEnd_);
    struct sigaction action {};
    action.sa_handler = OnEndRequest;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &previousTerm_);
    ::sigaction(SIGHUP, &action, &previousHangUp_);
    return readEnd_;
}

LinuxEndOfSession::~LinuxEndOfSession() {
    if (readEnd_ < 0) {
        return;
    }
    ::sigaction(SIGTERM, &previousTerm_, nullptr);
    ::sigaction(SIGHUP, &previousHangUp_, nullptr);
    gRequestPipe.store(-1);
    ::close(readEnd_);
    ::close(writeEnd_);
}

bool LinuxEndOfSession::takeRequests() {
    bool any = false;
    char buffer[64];
    for (;;) {
        const ssize_t got = ::read(readEnd_, buffer, sizeof buffer);
        if (got > 0) {
            any = true;
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return any;
    }
}

} // namespace korvane
