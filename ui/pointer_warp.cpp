#include "ui/pointer_warp.h"

#include <QCursor>

namespace korvane {

void WarpPointer(const QWidget& control, QPoint point) {
    const QWidget& window = *control.window();
    QCursor::setPos(window.geometry().topLeft() + control.mapTo(&window, point));
}

QPoint CentreOf(const QWidget& control) {
    return {control.width() / 2, control.height() / 2};
}

} // namespace korvane
