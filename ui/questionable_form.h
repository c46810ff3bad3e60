#pragma once

#include <QDialog>
#include <QFrame>
#include <QListWidget>

#include "engine/watch_host.h"
#include "widgets/encarta_button.h"

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
    void bringToFront() override;
    void showModal() override;

    QListWidget& entryList() { return *CheckListBox1; }

    void EncartaButton1Click();
    void EncartaButton2Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void FormActivate();
    bool FormCloseQuery();

    TForm1& mainForm_;
    QListWidget* CheckListBox1;
    QFrame* Panel1;
    TEncartaButton* EncartaButton1;
    TEncartaButton* EncartaButton2;
};

} // namespace korvane
