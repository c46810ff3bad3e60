#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

#include "widgets/tray_click_tracker.h"

namespace korvane {

// The desktop's notification area as the tray icon needs it: one icon with a tooltip,
// added, modified and removed, and reports of the mouse on it.
class TrayShell : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // False when the icon could not be put into the notification area.
    virtual bool add(const QIcon& icon, const QString& tip) = 0;
    virtual void modify(const QIcon& icon, const QString& tip) = 0;
    // Harmless when the icon is not there.
    virtual void remove() = 0;

signals:
    void reported(korvane::ShellReport report);
};

} // namespace korvane
