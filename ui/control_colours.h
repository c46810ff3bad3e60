#pragma once

#include <initializer_list>

#include <QColor>
#include <QWidget>

namespace korvane {

// Paints a panel, label or check box: its background and its text.
void Paint(QWidget* control, const QColor& background, const QColor& text);
// Paints controls red with yellow text while what they stand for is in force or
// alarming, else beige with navy text.
void PaintInForce(std::initializer_list<QWidget*> controls, bool inForce);
// Paints only the text of a label or check box.
void PaintText(QWidget* control, const QColor& text);

// Paints a list's entries area and its entries.
void PaintList(QWidget* list, const QColor& background, const QColor& text);
// The colour a list's entries area is painted in.
QColor ListColour(const QWidget* list);

} // namespace korvane
