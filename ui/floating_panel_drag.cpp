#include "ui/floating_panel_drag.h"

#include <algorithm>

#include <QMouseEvent>

namespace korvane {

FloatingPanelDrag::FloatingPanelDrag(QWidget& panel, std::initializer_list<QWidget*> handles)
    : QObject(&panel), panel_(panel) {
    for (QWidget* handle : handles) {
        handle->installEventFilter(this);
    }
}

bool FloatingPanelDrag::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease) {
        return false;
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    // Where the pointer is on the panel; the handles move along with it.
    const QPoint onPanel = static_cast<QWidget*>(watched)->mapTo(&panel_, mouse->position().toPoint());
    if (type == QEvent::MouseButtonPress) {
        if (mouse->button() != Qt::LeftButton) {
            return false;
        }
        dragging_ = true;
        grip_ = onPanel;
        return true;
    }
    if (!dragging_) {
        return false;
    }
    if (type == QEvent::MouseButtonRelease) {
        dragging_ = mouse->buttons().testFlag(Qt::LeftButton);
        return true;
    }
    const QWidget& area = *panel_.parentWidget();
    const QPoint wanted = panel_.pos() + onPanel - grip_;
    panel_.move(std::clamp(wanted.x(), 0, std::max(0, area.width() - panel_.width())),
                std::clamp(wanted.y(), 0, std::max(0, area.height() - panel_.height())));
    return true;
}

} // namespace korvane
