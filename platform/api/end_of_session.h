#pragma once

namespace korvane {

// The operating system asking the program to end (the session closes, or the
// program is told to terminate). Requests arrive on a descriptor that the event loop
// watches, never inside a signal handler.
class EndOfSession {
public:
    virtual ~EndOfSession() = default;
    // Readable while a request is pending; -1 when requests cannot be received.
    virtual int descriptor() const = 0;
    // Takes the pending requests; true when there was at least one.
    virtual bool takeRequests() = 0;
};

} // namespace korvane
