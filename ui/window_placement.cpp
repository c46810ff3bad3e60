#include "ui/window_placement.h"

#include <QGuiApplication>

namespace korvane {

bool WindowPlacementPossible() {
    // "wayland", "wayland-egl", "wayland-brcm": every Wayland platform plugin.
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void PlaceWindow(QWidget& window, QPoint topLeft) {
    if (WindowPlacementPossible()) {
        window.move(topLeft);
    }
}

} // namespace korvane
