#pragma once

#include <QList>
#include <Qt>

namespace korvane {

// What the desktop shell reports about the mouse on the notification-area icon.
enum class ShellReport {
    MouseMove,
    LeftDown,
    LeftUp,
    LeftDoubleClick,
    RightDown,
    RightUp,
    RightDoubleClick,
    MiddleDown,
    MiddleUp,
    MiddleDoubleClick,
};

// One event the tray icon raises in answer to a report.
struct TrayMouseAction {
    enum class Kind { Move, Down, Up, Click, DoubleClick };

    Kind kind;
    Qt::MouseButton button = Qt::NoButton;
    bool doubleClick = false; // a Down raised by a double click

    bool operator==(const TrayMouseAction&) const = default;
};

// Turns shell reports into tray events. A click needs its button to have gone down on
// the icon: a button pressed elsewhere and released over the icon is only an Up.
class TrayClickTracker {
public:
    QList<TrayMouseAction> feed(ShellReport report);
    // Forgets buttons that went down, as when the icon leaves the tray.
    void reset();

private:
    QList<TrayMouseAction> buttonUp(bool& wentDown, Qt::MouseButton button);

    bool leftDown_ = false;
    bool rightDown_ = false;
};

} // namespace korvane
