#pragma once

#include <QPoint>
#include <QWidget>

namespace korvane {

// Moves the mouse pointer onto `point` of `control` (in the control's coordinates),
// so that the next click needs no aim: the window's questions put it between or on
// their buttons. Works from the window's own idea of where it is, which a move
// changes at once, before the window system has confirmed it.
// Skipped where the window system cannot move the pointer.
void WarpPointer(const QWidget& control, QPoint point);

// Moves the pointer to a point of the screen, where the window system allows it.
void MovePointer(QPoint global);

// The centre of a control, halves rounded toward zero.
QPoint CentreOf(const QWidget& control);

} // namespace korvane
