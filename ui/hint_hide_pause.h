#pragma once

#include <QObject>

namespace korvane {

// How long a hint stays up, for every window of the program: while it exists, each
// control's hint shows for `milliseconds` (unless the control sets a time of its own).
class HintHidePause : public QObject {
    Q_OBJECT

public:
    HintHidePause(int milliseconds, QObject* parent);
    ~HintHidePause() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int milliseconds_;
};

} // namespace korvane
