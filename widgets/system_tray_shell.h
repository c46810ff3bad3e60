#pragma once

#include <QSystemTrayIcon>

#include "widgets/tray_shell.h"

namespace korvane {

// The notification area through QSystemTrayIcon.
class SystemTrayShell : public TrayShell {
    Q_OBJECT

public:
    explicit SystemTrayShell(QObject* parent = nullptr);

    bool add(const QIcon& icon, const QString& tip) override;
    void modify(const QIcon& icon, const QString& tip) override;
    void remove() override;

private:
    void report(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon icon_;
};

} // namespace korvane
