#pragma once

#include <functional>
#include <string>
#include <string_view>

#include <QAction>
#include <QDialog>
#include <QFrame>
#include <QMenu>

#include "engine/questionable_decisions.h"
#include "engine/watch_host.h"
#include "widgets/encarta_button.h"
#include "widgets/text_list_box.h"

namespace korvane {

class TForm1;

// The questionable-processes dialog: the user kills each listed process (and puts
// it on the Kill list) or lets it run (and puts it on the Safe list with its
// checksum). It cannot be dismissed while undecided entries remain, unless
// unknown processes are killed automatically anyway.
class TForm2 : public QDialog, public QuestionableDialog {
    Q_OBJECT

public:
    explicit TForm2(TForm1& mainForm);

    // QuestionableDialog
    std::size_t count() const override;
    SnapshotEntry entry(std::size_t index) const override;
    // The line at `index`, bytes as the engine made it.
    std::string item(std::size_t index) const;
    void append(const std::string& line, const SnapshotEntry& entry) override;
    // Keeps the dialog above the other windows, without taking the keyboard from them.
    void bringToFront() override;
    void showModal() override;

    TTextListBox& entryList() { return *CheckListBox1; }

    // The text before the first "[", trimmed. Unlike the main window's StripBrackets,
    // a text without "[" gives nothing: a line of this list names its file before the
    // bracketed identifier, and a line without one names none.
    static std::string StripBrackets(std::string_view line);

    // Every time the dialog becomes active.
    void FormActivate();
    void CheckListBox1Click();
    void EncartaButton1Click();
    void EncartaButton2Click();
    void DisplayFileInformation1Click();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    bool FormCloseQuery();
    // Walks the checked lines from the last to the first, so that deleting a decided
    // line never moves one still to be handled; a decision that throws leaves its line
    // and those before it.
    void decideCheckedLines(const std::function<void(const SnapshotEntry&)>& decide);
    QuestionableDecisions decisions();

    TForm1& mainForm_;
    TTextListBox* CheckListBox1;
    QFrame* Panel1;
    TEncartaButton* EncartaButton1;
    TEncartaButton* EncartaButton2;
    QMenu* PopupMenu1;
    QAction* DisplayFileInformation1;
};

} // namespace korvane
