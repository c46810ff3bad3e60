#pragma once

#include <QEvent>
#include <QObject>

namespace korvane::test {

// Counts the paint events a widget receives, to tell immediate from deferred drawing.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QObject* watched) { watched->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++count;
        }
        return false;
    }
};

} // namespace korvane::test
