#include "ui/file_information_panel.h"

#include <algorithm>
#include <optional>

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

#include "engine/file_information.h"
#include "engine/file_version.h"
#include "engine/packages/package_ownership.h"
#include "ui/floating_panel_drag.h"
#include "ui/handler_guard.h"
#include "ui/pointer_warp.h"

namespace korvane {

namespace {

// The design places of the OK button and the height of the inner panel.
constexpr int kOkTop = 200;
constexpr int kInnerHeight = 228;

// The texts separate their lines by a single CR, which a label does not break at.
QString Displayed(const std::string& text) {
    return QString::fromStdString(text).replace(u'\r', u'\n');
}

} // namespace

FileInformationPanel::FileInformationPanel(MainFormControls& controls, PackageTrust& packages, QObject* parent)
    : QObject(parent), c_(controls), packages_(packages) {
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
    std::string text = FileInformationText(entry).value_or(std::string(kInformationNotExtracted));
    if (const std::optional<std::string> package = packageLines()) {
        text += '\r';
        text += *package;
    }
    showSized(Displayed(text));
}

std::optional<std::string> FileInformationPanel::packageLines() {
    if (!packages_.available()) {
        return std::nullopt;
    }
    // A click may wait a moment for the reading, which the watch never does.
    packages_.index();
    packages_.waitForReading(kPackageReadingWait);
    const std::shared_ptr<const PackageIndex> index = packages_.index();
    if (!index) {
        return std::nullopt;
    }
    return PackageOwnershipText(*index, InfoFilePath);
}

void FileInformationPanel::showSized(const QString& text) {
    c_.Label10->setText(text);
    c_.Label10->adjustSize();
    const int width = std::clamp(c_.Label10->width() + 19, kMinWidth, kMaxWidth);
    // The panel grows downwards when the text reaches the OK button's design place.
    TEncartaButton& ok = *c_.EncartaButton10;
    const int okTop = std::max(kOkTop, c_.Label10->y() + c_.Label10->height() + 8);
    ok.move(width / 2 - ok.width() / 2, okTop);
    c_.Panel18->resize(width, okTop + kInnerHeight - kOkTop);
    c_.Panel17->resize(width + 7, c_.Panel18->height() + 7);
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
