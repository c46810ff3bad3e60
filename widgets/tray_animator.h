#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace korvane {

// The tray icon's animation thread: after every interval it runs `step`, unless it is
// suspended (then it waits for resume and starts a whole new interval). Destroying it
// stops the thread at once and joins it.
class TrayAnimator {
public:
    TrayAnimator(std::function<void()> step, std::chrono::milliseconds interval, bool suspended);

    void setInterval(std::chrono::milliseconds interval);
    void suspend();
    void resume();

private:
    void run(std::stop_token stop);

    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::function<void()> step_;
    std::chrono::milliseconds interval_;
    bool suspended_;
    std::jthread thread_; // last: stopped and joined before the members it uses go
};

} // namespace korvane
