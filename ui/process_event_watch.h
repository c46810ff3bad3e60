#pragma once

#include <QObject>
#include <QSocketNotifier>

namespace korvane {

class TForm1;

// Runs the watch cycle as soon as the kernel reports that a program was started (it
// may be on the Kill list) or that events were lost, instead of at the next tick of
// the watch timer. Without a subscription it does nothing, and the timer alone drives
// the watch.
class ProcessEventWatch : public QObject {
    Q_OBJECT

public:
    explicit ProcessEventWatch(TForm1& form);

private:
    void eventsWaiting();

    TForm1& form_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace korvane
