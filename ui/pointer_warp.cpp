#include "ui/pointer_warp.h"

#include <QCursor>

#include "ui/window_placement.h"

namespace korvane {

void WarpPointer(const QWidget& control, QPoint point) {
    const QWidget& window = *control.window();
    MovePointer(window.geometry().topLeft() + control.mapTo(&window, point));
}

void MovePointer(QPoint global) {
    if (WindowPlacementPossible()) {
        QCursor::setPos(global);
    }
}

QPoint CentreOf(const QWidget& control) {
    return {control.width() / 2, control.height() / 2};
}

} // namespace korvane
