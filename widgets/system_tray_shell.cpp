#include "widgets/system_tray_shell.h"

namespace korvane {

SystemTrayShell::SystemTrayShell(QObject* parent) : TrayShell(parent) {
    connect(&icon_, &QSystemTrayIcon::activated, this, &SystemTrayShell::report);
}

bool SystemTrayShell::add(const QIcon& icon, const QString& tip) {
    // Without a tray (offscreen, bare X servers) showing an icon only warns.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        return false;
    }
    modify(icon, tip);
    icon_.show();
    return true;
}

void SystemTrayShell::modify(const QIcon& icon, const QString& tip) {
    icon_.setIcon(icon);
    icon_.setToolTip(tip);
}

void SystemTrayShell::remove() {
    icon_.hide();
}

// Qt reports whole clicks; each is replayed as the button reports a shell sends for it.
// The first click of a double click arrives as a Trigger of its own.
void SystemTrayShell::report(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        emit reported(ShellReport::LeftDown);
        emit reported(ShellReport::LeftUp);
        break;
    case QSystemTrayIcon::DoubleClick:
        emit reported(ShellReport::LeftDoubleClick);
        emit reported(ShellReport::LeftUp);
        break;
    case QSystemTrayIcon::Context:
        emit reported(ShellReport::RightDown);
        emit reported(ShellReport::RightUp);
        break;
    case QSystemTrayIcon::MiddleClick:
        emit reported(ShellReport::MiddleDown);
        emit reported(ShellReport::MiddleUp);
        break;
    case QSystemTrayIcon::Unknown:
        break;
    }
}

} // namespace korvane
