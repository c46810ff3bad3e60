#pragma once

#include <QListWidget>
#include <QObject>

#include "engine/execution_refusals.h"
#include "ui/queued_once.h"

namespace korvane {

// Keeps the execution guard in step with the window: a change of the Kill list, its
// Bypass marks, the Never Kill list or the activation pushes a new Kill set as soon
// as the event loop turns (one push for a burst of changes, such as the lists being
// loaded), and what the guard reports is logged as soon as it is there.
class ExecutionRefusalWatch : public QObject {
    Q_OBJECT

public:
    ExecutionRefusalWatch(ExecutionRefusals& refusals, int reportsDescriptor, const QListWidget& kill,
                          const QListWidget& neverKill, QObject* parent);

    // Something the Kill set is made of has changed.
    void requestSync();

private:
    void watchList(const QListWidget& list);

    ExecutionRefusals& refusals_;
    QueuedOnce sync_;
};

} // namespace korvane
