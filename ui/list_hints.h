#pragma once

#include <QObject>

#include "ui/main_form_controls.h"

namespace korvane {

// The hints and the status line of the four lists: a click on an entry shows it in
// the status line, and an entry too wide for its list becomes the list's hint.
class ListHints : public QObject {
    Q_OBJECT

public:
    // Entries wider than these, measured in TestWidth's font, get a hint.
    static constexpr int kNeverKillHintWidth = 164;
    static constexpr int kHintWidth = 210;

    // Connects the lists' clicks and the mouse moves over Panel1.
    ListHints(MainFormControls& controls, QObject* parent);

    // The Current, Safe and Never Kill lists.
    void AllTextListBoxClick(TTextListBox* Sender);
    // The Kill list: only a wide entry shows in the status line.
    void CheckListBox3Click();
    // The pointer left the lists for the gaps between them: their hints go.
    void Panel1MouseMove();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The entry's width in the list font.
    int measured(const QString& entry);

    MainFormControls& c_;
};

} // namespace korvane
