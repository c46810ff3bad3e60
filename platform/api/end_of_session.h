#pragma once

namespace korvane {

// The operating system asking the program to end (the session closes, or the
// program is told to terminate). Requests arrive on a descriptor that the event loop
// watches, never inside a signal handler.
class EndOfSession {
public:
    virtual ~EndOfSession() = default;
    // From now on requests no longer end the program by themselves: they arrive on the
    // returned descriptor, readable while one is pending. -1 when they cannot be
    // received. A process that never calls this (a second instance) ends as usual.
    virtual int startReceiving() = 0;
    // Takes the pending requests; true when there was at least one.
    virtual bool takeRequests() = 0;
};

} // namespace korvane
