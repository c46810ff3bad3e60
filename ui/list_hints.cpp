#include "ui/list_hints.h"

#include <QMouseEvent>

#include "ui/handler_guard.h"

namespace korvane {

ListHints::ListHints(MainFormControls& controls, QObject* parent) : QObject(parent), c_(controls) {
    for (TTextListBox* list : {c_.TextListBox1, c_.TextListBox2, c_.TextListBox4}) {
        connect(list, &TTextListBox::click, this,
                [this, list] { RunHandler([this, list] { AllTextListBoxClick(list); }); });
    }
    connect(c_.CheckListBox3, &TTextListBox::click, this, [this] { RunHandler([this] { CheckListBox3Click(); }); });
    c_.Panel1->setMouseTracking(true);
    c_.Panel1->installEventFilter(this);
}

int ListHints::measured(const QString& entry) {
    c_.TestWidth->setText(entry);
    c_.TestWidth->adjustSize();
    return c_.TestWidth->width();
}

void ListHints::AllTextListBoxClick(TTextListBox* Sender) {
    Sender->setToolTip(QString());
    c_.GaugeStatusBar1->setSimpleText(QString());
    const int row = Sender->currentRow();
    if (row < 0) {
        return;
    }
    const QString entry = Sender->item(row)->text();
    const int width = measured(entry);
    if ((width > kNeverKillHintWidth && Sender == c_.TextListBox4) || width > kHintWidth) {
        Sender->setToolTip(entry);
    }
    c_.GaugeStatusBar1->setSimpleText(u' ' + entry);
}

void ListHints::CheckListBox3Click() {
    c_.CheckListBox3->setToolTip(QString());
    c_.GaugeStatusBar1->setSimpleText(QString());
    const int row = c_.CheckListBox3->currentRow();
    if (row < 0) {
        return;
    }
    const QString entry = c_.CheckListBox3->item(row)->text();
    if (measured(entry) > kHintWidth) {
        c_.CheckListBox3->setToolTip(entry);
        c_.GaugeStatusBar1->setSimpleText(u' ' + entry);
    }
}

void ListHints::Panel1MouseMove() {
    for (TTextListBox* list : {c_.TextListBox1, c_.TextListBox2, c_.CheckListBox3}) {
        list->setToolTip(QString());
    }
}

bool ListHints::eventFilter(QObject* watched, QEvent* event) {
    // Only the panel's own face: moves over the lists and headers are theirs.
    if (watched == c_.Panel1 && event->type() == QEvent::MouseMove &&
        c_.Panel1->childAt(static_cast<QMouseEvent*>(event)->position().toPoint()) == nullptr) {
        RunHandler([this] { Panel1MouseMove(); });
    }
    return false;
}

} // namespace korvane
