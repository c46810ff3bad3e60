#pragma once

#include <initializer_list>

#include <QObject>
#include <QPoint>
#include <QWidget>

namespace korvane {

// Lets the user move a floating panel by pressing the left button on one of its
// handles (the panel's face, its text, picture and title) and dragging. The panel
// stays inside the window, so it can never be dragged out of reach.
class FloatingPanelDrag : public QObject {
    Q_OBJECT

public:
    FloatingPanelDrag(QWidget& panel, std::initializer_list<QWidget*> handles);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& panel_;
    bool dragging_ = false;
    QPoint grip_; // where the pointer holds the panel, in its coordinates
};

} // namespace korvane
