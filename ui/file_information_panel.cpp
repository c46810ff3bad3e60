#include "ui/file_information_panel.h"

#include <algorithm>
#include <optional>

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

#include "engine/file_information.h"
#include "engine/file_version.h"
#include "ui/floating_panel_drag.h"
#include "ui/handler_guard.h"
#include "ui/pointer_warp.h"

namespace korvane {

namespace {

// The texts separate their lines by a single CR, which a label does not break at.
QString Displayed(const std::string& text) {
    return QString::fromStdString(text).replace(u'\r', u'\n');
}

} // namespace

FileInformationPanel::FileInformationPanel(MainFormControls& controls, QObject* parent)
    : QObject(parent), c_(controls) {
    const auto connectItem = [this](QAction* item, void (FileInformationPanel::*handler)()) {
        connect(item, &QAction::triggered, this,
                [this, handler] { RunHandler([this, handler] { (this->*handler)(); }); });
    };
    connectItem(c_.DisplayFileInformation1, &FileInformationPanel::DisplayFileInformation1Click);
    connectItem(c_.DisplayFileInformation2, &FileInformationPanel::DisplayFileInformation2Click);
    connectItem(c_.DisplayFileInformation3, &FileInformationPanel::DisplayFileInformation3Click);
    connectItem(c_.MenuItem2, &FileInformationPanel::DisplayFileInformation4Click);
    connect(c_.EncartaButton10, &TEncartaButton::clicked, this, &FileInformationPanel::EncartaButton10Click);
    // Panel18MouseDown: the panel is moved by its face, text, picture and title.
    new FloatingPanelDrag(*c_.Panel17, {c_.Panel18, c_.Label10, c_.Image4, c_.Label11});
}

void FileInformationPanel::DisplayFileInformation(const TTextListBox& list) {
    const int row = list.currentRow();
    if (row < 0) {
        return;
    }
    const std::string entry = list.text(row);
    InfoFilePath = EntryFilePath(entry);
    c_.Label10->clear();
    const std::optional<std::string> text = FileInformationText(entry);
    showSized(text ? Displayed(*text)
                   : QString::fromLatin1(kInformationNotExtracted.data(),
                                         static_cast<qsizetype>(kInformationNotExtracted.size())));
}

void FileInformationPanel::showSized(const QString& text) {
    c_.Label10->setText(text);
    c_.Label10->adjustSize();
    const int width = std::clamp(c_.Label10->width() + 19, kMinWidth, kMaxWidth);
    c_.Panel18->resize(width, c_.Panel18->height());
    c_.Panel17->resize(width + 7, c_.Panel17->height());
    TEncartaButton& ok = *c_.EncartaButton10;
    ok.move(width / 2 - ok.width() / 2, ok.y());
    c_.Panel17->show();
    c_.Panel17->raise();
}

void FileInformationPanel::DisplayFileInformation1Click() {
    DisplayFileInformation(*c_.TextListBox1);
}

void FileInformationPanel::DisplayFileInformation2Click() {
    DisplayFileInformation(*c_.TextListBox2);
}

void FileInformationPanel::DisplayFileInformation3Click() {
    DisplayFileInformation(*c_.CheckListBox3);
}

void FileInformationPanel::DisplayFileInformation4Click() {
    DisplayFileInformation(*c_.TextListBox4);
}

void FileInformationPanel::EncartaButton10Click() {
    c_.Panel17->hide();
}

void ShowFileInformationMessage(std::string_view entry, QWidget* parent) {
    const std::optional<std::string> text = FileInformationMessage(entry);
    if (!text) {
        return;
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->geometry();
        MovePointer(desktop.topLeft() + QPoint(desktop.width() / 2 + 10, desktop.height() / 2 + 35));
    }
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), Displayed(*text), QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("FileInformationMessage"));
    box.exec();
}

} // namespace korvane
