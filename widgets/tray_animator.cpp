#include "widgets/tray_animator.h"

#include <utility>

namespace korvane {

TrayAnimator::TrayAnimator(std::function<void()> step, std::chrono::milliseconds interval, bool suspended)
    : step_(std::move(step)), interval_(interval), suspended_(suspended),
      thread_([this](std::stop_token stop) { run(std::move(stop)); }) {}

void TrayAnimator::setInterval(std::chrono::milliseconds interval) {
    const std::lock_guard lock(mutex_);
    interval_ = interval;
}

void TrayAnimator::suspend() {
    {
        const std::lock_guard lock(mutex_);
        suspended_ = true;
    }
    wake_.notify_all();
}

void TrayAnimator::resume() {
    {
        const std::lock_guard lock(mutex_);
        suspended_ = false;
    }
    wake_.notify_all();
}

void TrayAnimator::run(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (!stop.stop_requested()) {
        if (suspended_) {
            wake_.wait(lock, stop, [this] { return !suspended_; });
            continue;
        }
        // A suspend during the sleep cancels this step.
        if (wake_.wait_for(lock, stop, interval_, [this] { return suspended_; }) || stop.stop_requested()) {
            continue;
        }
        lock.unlock();
        step_();
        lock.lock();
    }
}

} // namespace korvane
