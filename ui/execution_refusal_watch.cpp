#include "ui/execution_refusal_watch.h"

#include <QAbstractItemModel>
#include <QSocketNotifier>

#include "ui/handler_guard.h"

namespace korvane {

ExecutionRefusalWatch::ExecutionRefusalWatch(ExecutionRefusals& refusals, int reportsDescriptor,
                                             const QListWidget& kill, const QListWidget& neverKill, QObject* parent)
    : QObject(parent), refusals_(refusals), sync_(*this, [this] { RunHandler([this] { refusals_.sync(); }); }) {
    watchList(kill);
    watchList(neverKill);
    auto* notifier = new QSocketNotifier(reportsDescriptor, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] { RunHandler([this] { refusals_.logReports(); }); });
}

void ExecutionRefusalWatch::watchList(const QListWidget& list) {
    const QAbstractItemModel* model = list.model();
    const auto changed = [this] { requestSync(); };
    connect(model, &QAbstractItemModel::rowsInserted, this, changed);
    connect(model, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(model, &QAbstractItemModel::dataChanged, this, changed);
    connect(model, &QAbstractItemModel::layoutChanged, this, changed);
    connect(model, &QAbstractItemModel::modelReset, this, changed);
}

void ExecutionRefusalWatch::requestSync() {
    sync_.request();
}

} // namespace korvane
