#include "widgets/tray_animator.h"

#include <utility>

namespace korvane {

TrayAnimator::TrayAnimator(std::function<void()> step, std::chrono::milliseconds interval, bool suspended)
    : m_step(std::move(step)), m_interval(interval), m_suspended(suspended),
      m_thread([this](std::stop_token stop) { run(std::move(stop)); }) {}

void TrayAnimator::setInterval(std::chrono::milliseconds interval) {
    const std::lock_guard lock(m_mutex);
    m_interval = interval;
}

void TrayAnimator::suspend() {
    {
        const std::lock_guard lock(m_mutex);
        m_suspended = true;
    }
    m_wake.notify_all();
}

void TrayAnimator::resume() {
    {
        const std::lock_guard lock(m_mutex);
        m_suspended = false;
    }
    m_wake.notify_all();
}

void TrayAnimator::run(std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    while (!stop.stop_requested()) {
        if (m_suspended) {
            m_wake.wait(lock, stop, [this] { return !m_suspended; });
            continue;
        }
        // A suspend during the sleep cancels this step.
        if (m_wake.wait_for(lock, stop, m_interval, [this] { return m_suspended; }) || stop.stop_requested()) {
            continue;
        }
        lock.unlock();
        m_step();
        lock.lock();
    }
}

} // namespace korvane
