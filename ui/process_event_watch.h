#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

namespace korvane {

class TForm1;

// Runs the watch cycle as soon as the kernel reports that a program was started (it
// may be on the Kill list) or that events were lost, instead of at the next tick of
// the watch timer. Without a subscription it does nothing, and the timer alone drives
// the watch.
//
// A burst of starts makes few cycles: the first start runs one at once; the starts
// that follow within kBurst of it run one more when kBurst has passed. A build
// starting dozens of programs a second thus costs at most one cycle per kBurst. The
// Kill list does not wait for that cycle: every program started is held against it
// as soon as its event is read.
//
// It also takes the reports of processes told to end that have ended, so that the
// window never waits for a death.
class ProcessEventWatch : public QObject {
    Q_OBJECT

public:
    static constexpr int kBurst = 100; // milliseconds

    explicit ProcessEventWatch(TForm1& form);

private:
    void eventsWaiting();
    void requestCycle();
    void burstOver();

    TForm1& form_;
    QSocketNotifier* notifier_ = nullptr;
    QSocketNotifier* ends_ = nullptr;
    QTimer burst_;         // runs for kBurst after each cycle it started
    bool waiting_ = false; // a start came while the burst timer ran
};

} // namespace korvane
