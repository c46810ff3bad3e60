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
        m_leftDown = true;
        return {down(Qt::LeftButton)};
    case ShellReport::LeftUp:
        return buttonUp(m_leftDown, Qt::LeftButton);
    case ShellReport::LeftDoubleClick:
        return {{Kind::DoubleClick}, down(Qt::LeftButton, true)};
    case ShellReport::RightDown:
        m_rightDown = true;
        return {down(Qt::RightButton)};
    case ShellReport::RightUp:
        return buttonUp(m_rightDown, Qt::RightButton);
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
    m_leftDown = false;
    m_rightDown = false;
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
