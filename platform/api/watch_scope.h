#pragma once

#include <functional>
#include <string>

namespace korvane {

// Which processes the watch can see and end, in the plain words the status line
// shows; it changes when a service the watch relies on goes or comes back.
class WatchScope {
public:
    virtual ~WatchScope() = default;
    virtual std::string text() const = 0;
    // `handler` is called, on the program's own thread, each time the text changes.
    virtual void setChangeHandler(std::function<void()> handler) = 0;
};

// A scope that never changes: the local backend's.
class FixedWatchScope : public WatchScope {
public:
    explicit FixedWatchScope(std::string text) : text_(std::move(text)) {}
    std::string text() const override { return text_; }
    void setChangeHandler(std::function<void()>) override {}

private:
    std::string text_;
};

} // namespace korvane
