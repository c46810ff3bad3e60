#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include <QObject>
#include <QWidget>

#include "engine/packages/package_trust.h"
#include "ui/main_form_controls.h"

namespace korvane {

// The floating panel that shows the version strings and the modification time of a
// listed file, and which installed package owns it. It leaves the rest of the window
// usable.
class FileInformationPanel : public QObject {
    Q_OBJECT

public:
    // The inner panel's width follows the text, within these bounds.
    static constexpr int kMinWidth = 245;
    static constexpr int kMaxWidth = 748;
    // A click waits this long at most for the package database to be read.
    static constexpr std::chrono::milliseconds kPackageReadingWait{2000};

    // Connects the four "Display file information" items, the OK button and the drag.
    FileInformationPanel(MainFormControls& controls, PackageTrust& packages, QObject* parent);

    // Shows the panel for the list's highlighted entry; nothing without one.
    void DisplayFileInformation(const TTextListBox& list);
    void DisplayFileInformation1Click();
    void DisplayFileInformation2Click();
    void DisplayFileInformation3Click();
    void DisplayFileInformation4Click();
    void EncartaButton10Click();

    // The path of the file last displayed.
    const std::string& infoFilePath() const { return InfoFilePath; }

private:
    void showSized(const QString& text);
    // The lines about the package that owns InfoFilePath; nothing without a database.
    std::optional<std::string> packageLines();

    MainFormControls& c_;
    PackageTrust& packages_;
    std::string InfoFilePath;
};

// The questionable dialog's way of showing the same information: the ten version
// lines in a warning message box, after the pointer has been moved 10 pixels right of
// and 35 below the desktop's centre. Nothing at all when the file has no version
// information.
void ShowFileInformationMessage(std::string_view entry, QWidget* parent);

} // namespace korvane
