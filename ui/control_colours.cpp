#include "ui/control_colours.h"

#include <QPalette>

#include "ui/palette.h"

namespace korvane {

void Paint(QWidget* control, const QColor& background, const QColor& text) {
    QPalette colours = control->palette();
    colours.setColor(QPalette::Window, background);
    colours.setColor(QPalette::Button, background); // a check box's background
    colours.setColor(QPalette::WindowText, text);
    colours.setColor(QPalette::ButtonText, text);
    control->setPalette(colours);
    control->setAutoFillBackground(true);
}

void PaintInForce(std::initializer_list<QWidget*> controls, bool inForce) {
    for (QWidget* control : controls) {
        Paint(control, inForce ? palette::kRed : palette::kBeige, inForce ? palette::kYellow : palette::kNavy);
    }
}

void PaintText(QWidget* control, const QColor& text) {
    QPalette colours = control->palette();
    colours.setColor(QPalette::WindowText, text);
    colours.setColor(QPalette::ButtonText, text);
    control->setPalette(colours);
}

void PaintList(QWidget* list, const QColor& background, const QColor& text) {
    QPalette colours = list->palette();
    colours.setColor(QPalette::Base, background);
    colours.setColor(QPalette::Text, text);
    list->setPalette(colours);
}

QColor ListColour(const QWidget* list) {
    return list->palette().color(QPalette::Base);
}

} // namespace korvane
