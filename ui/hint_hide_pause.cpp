#include "ui/hint_hide_pause.h"

#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

namespace korvane {

HintHidePause::HintHidePause(int milliseconds, QObject* parent) : QObject(parent), milliseconds_(milliseconds) {
    QApplication::instance()->installEventFilter(this);
}

HintHidePause::~HintHidePause() {
    QApplication::instance()->removeEventFilter(this);
}

bool HintHidePause::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip || !watched->isWidgetType()) {
        return false;
    }
    auto* control = static_cast<QWidget*>(watched);
    if (control->toolTip().isEmpty() || control->toolTipDuration() >= 0) {
        return false;
    }
    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), control->toolTip(), control, QRect(),
                       milliseconds_);
    return true;
}

} // namespace korvane
