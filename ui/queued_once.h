#pragma once

#include <functional>
#include <utility>

#include <QMetaObject>
#include <QObject>

namespace korvane {

// A call put in the event queue at most once: requests that come while it waits add
// nothing, and it runs once the event loop turns again.
class QueuedOnce {
public:
    // `context` owns the call: it is dropped with that object.
    QueuedOnce(QObject& context, std::function<void()> call) : context_(context), call_(std::move(call)) {}

    void request() {
        if (queued_) {
            return;
        }
        queued_ = true;
        QMetaObject::invokeMethod(
            &context_,
            [this] {
                queued_ = false;
                call_();
            },
            Qt::QueuedConnection);
    }

private:
    QObject& context_;
    std::function<void()> call_;
    bool queued_ = false;
};

} // namespace korvane
