#include "ui/process_event_watch.h"

#include "ui/main_form.h"

namespace korvane {

ProcessEventWatch::ProcessEventWatch(TForm1& form) : form_(form) {
    const int ends = form_.platform().terminator->endsDescriptor();
    if (ends >= 0) {
        ends_ = new QSocketNotifier(ends, QSocketNotifier::Read, this);
        connect(ends_, &QSocketNotifier::activated, this, [this] { form_.engine().takeEnded(); });
    }
    const ProcessEvents* events = form_.platform().processEvents.get();
    if (events == nullptr || !events->subscribed()) {
        return;
    }
    burst_.setSingleShot(true);
    burst_.setInterval(kBurst);
    connect(&burst_, &QTimer::timeout, this, &ProcessEventWatch::burstOver);
    notifier_ = new QSocketNotifier(events->descriptor(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ProcessEventWatch::eventsWaiting);
}

void ProcessEventWatch::eventsWaiting() {
    const WatchEngine::EventsTaken taken = form_.engine().takeProcessEvents();
    form_.checkNewcomers(taken.started);
    if (taken.cycle) {
        requestCycle();
    }
    // An ended subscription has nothing more to say; the timer takes over alone.
    if (!form_.platform().processEvents->subscribed()) {
        notifier_->setEnabled(false);
    }
}

void ProcessEventWatch::requestCycle() {
    if (burst_.isActive()) {
        waiting_ = true;
        return;
    }
    form_.runCycleNow();
    burst_.start();
}

void ProcessEventWatch::burstOver() {
    if (waiting_) {
        waiting_ = false;
        requestCycle();
    }
}

} // namespace korvane
