#pragma once

#include <QPoint>
#include <QWidget>

namespace korvane {

// Whether the window system lets a program place its top-level windows and move the
// mouse pointer. Wayland allows neither (the compositor places windows, and Qt warns on
// the terminal at every pointer move), so there both are skipped.
bool WindowPlacementPossible();

// Moves a top-level window to `topLeft` (its frame's corner) where the window system
// allows it.
void PlaceWindow(QWidget& window, QPoint topLeft);

} // namespace korvane
