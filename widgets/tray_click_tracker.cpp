#include "widgets/tray_click_tracker.h"

namespace korvane {

namespace {

using Kind = TrayMouseAction::Kind;

TrayMouseAction down(Qt::MouseButton button, bool doubleClick = false) {
    return {Kind::Down, button, doubleClick};
}

} // namespace

QList<TrayMouseAction> TrayClickTracker::feed(ShellReport report) {
    switch (report) {
    case ShellReport::MouseMove:
        return {{Kind::Move}};
    case ShellReport::LeftDown:
        leftDown_ = true;
        return {down(Qt::LeftButton)};
    case ShellReport::LeftUp:
        return buttonUp(leftDown_, Qt::LeftButton);
    case ShellReport::LeftDoubleClick:
        return {{Kind::DoubleClick}, down(Qt::LeftButton, true)};
    case ShellReport::RightDown:
        rightDown_ = true;
        return {down(Qt::RightButton)};
    case ShellReport::RightUp:
        return buttonUp(rightDown_, Qt::RightButton);
    case ShellReport::RightDoubleClick:
        return {down(Qt::RightButton, true)};
    case ShellReport::MiddleDown:
        return {down(Qt::MiddleButton)};
    case ShellReport::MiddleUp:
        return {{Kind::Up, Qt::MiddleButton}};
    case ShellReport::MiddleDoubleClick:
        return {down(Qt::MiddleButton, true)};
    }
    return {};
}

void TrayClickTracker::reset() {
    leftDown_ = false;
    rightDown_ = false;
}

QList<TrayMouseAction> TrayClickTracker::buttonUp(bool& wentDown, Qt::MouseButton button) {
    QList<TrayMouseAction> actions;
    if (wentDown) {
        wentDown = false;
        actions.append({Kind::Click, button});
    }
    actions.append({Kind::Up, button});
    return actions;
}

} // namespace korvane
