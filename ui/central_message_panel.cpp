#include "ui/central_message_panel.h"

#include <algorithm>
#include <climits>

#include "engine/file_version.h"
#include "engine/list_menu_commands.h"
#include "engine/text_rules.h"
#include "ui/floating_panel_drag.h"
#include "ui/handler_guard.h"
#include "ui/main_form_geometry.h"
#include "ui/pointer_warp.h"

namespace korvane {

namespace {

const QString kNoticeMark = QStringLiteral("<OK>");
constexpr int kNoticeLength = 255;

const QString kAutoKillQuestion[] = {
    QStringLiteral("[KORVANE - Auto Kill unknown processes without prompting.] "),
    QStringLiteral(
        "This option can be dangerous if you do not know if all of the OS files that are usually executed are "
        "in your 'Safe Processes' list.  Are you sure that you want to check this option?")};
const QString kCopyQuestion = QStringLiteral("Copy all processes from 'Current Processes' to 'Safe Processes'?");
const QString kQuitQuestion = QString(20, u' ') + QStringLiteral("Quit Korvane?") + QString(26, u' ');

bool IsNamed(const QObject* control, const char* name) {
    return control != nullptr && control->objectName() == QLatin1String(name);
}

// The control that asked, by its kind and name.
template <class Kind> bool Asked(const QObject* sender, const char* name) {
    return qobject_cast<const Kind*>(sender) != nullptr && IsNamed(sender, name);
}

// The highlighted entry of a list, if any.
std::optional<std::string> Highlighted(const ListBoxPane& list) {
    const std::optional<std::size_t> row = HighlightedRow(list.box());
    if (!row) {
        return std::nullopt;
    }
    return list.item(*row);
}

} // namespace

CentralMessagePanel::CentralMessagePanel(MainFormControls& controls, ListBoxPane& safe, ListBoxPane& neverKill,
                                         MessagePanelHost& host, QObject* parent)
    : QObject(parent), c_(controls), safe_(safe), neverKill_(neverKill), host_(host) {
    const auto handle = [this](QObject* sender) {
        return [this, sender] { RunHandler([this, sender] { CentralMessagesButtons(sender); }); };
    };
    for (TEncartaButton* button : {c_.CentralMsgLabelButtonYes, c_.CentralMsgLabelButtonNo, c_.CentralMsgLabelButtonOK,
                                   c_.EncartaButton1, c_.EncartaButton2}) {
        connect(button, &TEncartaButton::clicked, this, handle(button));
    }
    connect(c_.CheckBox1, &QCheckBox::clicked, this, handle(c_.CheckBox1));
    for (QAction* item : {c_.DeleteFocusedSafeProcess1, c_.DeleteFocusedNeverKillProcess1}) {
        connect(item, &QAction::triggered, this, handle(item));
    }
    // CentralMsgLabelPanel2MouseDown: the panel is moved by its face, text, picture and title.
    new FloatingPanelDrag(*c_.CentralMsgLabelPanel1, {c_.CentralMsgLabelPanel1, c_.CentralMsgLabelPanel2,
                                                      c_.CentralMsgLabel, c_.Image2, c_.CentralMsgLabelLabelWarning});
}

void CentralMessagePanel::CentralMessagesRtn(const QString& text) {
    const bool notice = text.startsWith(kNoticeMark);
    if (notice) {
        c_.CentralMsgLabelButtonYes->hide();
        c_.CentralMsgLabelButtonNo->hide();
        c_.CentralMsgLabelButtonOK->show();
        LockPanels(true);
        c_.CentralMsgLabelPanel1->show();
        c_.CentralMsgLabelPanel1->raise();
    }
    c_.CentralMsgLabel->setText(c_.CentralMsgLabel->text() +
                                (notice ? text.mid(kNoticeMark.size(), kNoticeLength) : text));
    layOut();
    // Onto OK where the layout has put it, so that a click acknowledges the notice.
    if (notice) {
        WarpPointer(*c_.CentralMsgLabelButtonOK, CentreOf(*c_.CentralMsgLabelButtonOK));
    }
}

void CentralMessagePanel::layOut() {
    QLabel& label = *c_.CentralMsgLabel;
    // As tall as its wrapped text; an empty text still takes one line.
    const QString text = label.text().isEmpty() ? QStringLiteral(" ") : label.text();
    label.setFixedHeight(
        label.fontMetrics().boundingRect(QRect(0, 0, label.width(), INT_MAX), Qt::TextWordWrap, text).height());
    QFrame& inner = *c_.CentralMsgLabelPanel2;
    inner.resize(inner.width(), label.height() + 80);
    for (TEncartaButton* button :
         {c_.CentralMsgLabelButtonYes, c_.CentralMsgLabelButtonNo, c_.CentralMsgLabelButtonOK}) {
        button->move(button->x(), inner.height() - 27);
    }
    QFrame& outer = *c_.CentralMsgLabelPanel1;
    outer.resize(outer.width(), inner.height() + 7);
    const QSize window = geometry::OuterSize(*outer.parentWidget());
    outer.move(window.width() / 2 - outer.width() / 2, window.height() / 2 - outer.height() / 2);
}

void CentralMessagePanel::OpenQuestionPanel() {
    LockPanels(true);
    c_.CentralMsgLabelPanel1->show();
    c_.CentralMsgLabelPanel1->raise();
    // Into the gap between Yes and No: neither is chosen by a stray click.
    const TEncartaButton& yes = *c_.CentralMsgLabelButtonYes;
    WarpPointer(yes, QPoint(yes.width() + 1, yes.height() / 2));
}

void CentralMessagePanel::CloseMessagePanel() {
    LockPanels(false);
    if (!host_.questionableDialogUp()) {
        c_.Panel13->setFocus();
    }
    PendingSender = nullptr;
    c_.CentralMsgLabelPanel1->hide();
    c_.CentralMsgLabel->clear();
    // Ready for a question, however the panel was closed: a notice closed by the
    // questionable dialog must not leave the next question with only OK.
    c_.CentralMsgLabelButtonYes->show();
    c_.CentralMsgLabelButtonNo->show();
    c_.CentralMsgLabelButtonOK->hide();
}

void CentralMessagePanel::LockPanels(bool lock) {
    for (QWidget* panel : {c_.Panel1, c_.Panel13, c_.Panel15, c_.Panel16}) {
        panel->setEnabled(!lock);
    }
    c_.Panel4->setEnabled(!lock && !c_.CheckBox9->isChecked());
}

bool CentralMessagePanel::RegisterFirstEvent(const QObject* control) {
    if (std::find(FirstEventRegistry_.begin(), FirstEventRegistry_.end(), control) != FirstEventRegistry_.end()) {
        return false;
    }
    const auto empty = std::find(FirstEventRegistry_.begin(), FirstEventRegistry_.end(), nullptr);
    if (empty == FirstEventRegistry_.end()) {
        return false;
    }
    *empty = control;
    return true;
}

void CentralMessagePanel::CentralMessagesButtons(QObject* Sender) {
    c_.Panel17->hide();
    // The programmatic click while the saved settings are restored comes before the
    // first activation has registered CheckBox1: that one is ignored.
    if (RegisterFirstEvent(c_.CheckBox1)) {
        return;
    }
    if (IsNamed(Sender, "CentralMsgLabelButtonOK")) {
        CloseMessagePanel();
        return;
    }
    const bool yes = IsNamed(Sender, "CentralMsgLabelButtonYes");
    if (!yes && !IsNamed(Sender, "CentralMsgLabelButtonNo")) {
        PendingSender = Sender;
        c_.CentralMsgLabel->clear();
        if (composeQuestion(Sender)) {
            OpenQuestionPanel();
        }
        return;
    }
    if (!answer(yes)) {
        CloseMessagePanel();
    }
}

bool CentralMessagePanel::composeQuestion(QObject* trigger) {
    if (Asked<QCheckBox>(trigger, "CheckBox1")) {
        if (!c_.CheckBox1->isChecked()) {
            host_.setAutoKillConfirmed(false);
            CloseMessagePanel();
            return false;
        }
        CentralMessagesRtn(kAutoKillQuestion[0]);
        CentralMessagesRtn(kAutoKillQuestion[1]);
    } else if (Asked<QAction>(trigger, "DeleteFocusedSafeProcess1")) {
        askRemoval(safe_, QStringLiteral("Safe"));
    } else if (Asked<QAction>(trigger, "DeleteFocusedNeverKillProcess1")) {
        askRemoval(neverKill_, QStringLiteral("Never Kill"));
    } else if (Asked<TEncartaButton>(trigger, "EncartaButton1")) {
        CentralMessagesRtn(kCopyQuestion);
    } else if (Asked<TEncartaButton>(trigger, "EncartaButton2")) {
        CentralMessagesRtn(kQuitQuestion);
    }
    return true;
}

void CentralMessagePanel::askRemoval(const ListBoxPane& list, const QString& listName) {
    const std::optional<std::string> entry = Highlighted(list);
    if (!entry) {
        return;
    }
    const std::optional<std::string> company = File_Version("companyname", *entry);
    if (!company || LowerCase(*company).find("microsoft") == std::string::npos) {
        CentralMessagesRtn(QStringLiteral("Remove the highlighted file from the '%1' list?").arg(listName));
        return;
    }
    CentralMessagesRtn(QStringLiteral("The file you are attempting to removed from the '%1' list claims to be a "
                                      "Microsoft file according to the files volume information.  This information, "
                                      "however, can and may be spoofed.  If this file is a genuine Microsoft file, the "
                                      "operating ")
                           .arg(listName));
    CentralMessagesRtn(
        QStringLiteral("system may not function properly upon removing the file.  This program may also "
                       "Kill, or ask to Kill the program upon its removable if it is currently running.  "
                       "Are you sure that you want to remove this file from the '%1' list?")
            .arg(listName));
}

bool CentralMessagePanel::answer(bool yes) {
    const QObject* asked = PendingSender;
    if (Asked<QCheckBox>(asked, "CheckBox1")) {
        if (!yes) {
            c_.CheckBox1->setChecked(false);
        }
        host_.setAutoKillConfirmed(yes);
    } else if (!yes) {
        return false;
    } else if (Asked<QAction>(asked, "DeleteFocusedSafeProcess1")) {
        removeHighlighted(safe_, neverKill_);
    } else if (Asked<QAction>(asked, "DeleteFocusedNeverKillProcess1")) {
        removeHighlighted(neverKill_, safe_);
    } else if (Asked<TEncartaButton>(asked, "EncartaButton1")) {
        // Stopped at a file that could not be digested: the question stays open.
        return !host_.CopyAllCurrentToSafe();
    } else if (Asked<TEncartaButton>(asked, "EncartaButton2")) {
        // The panel stays up until the window has closed.
        host_.QuitConfirmedClose();
        return true;
    }
    return false;
}

// The removed entry's program is checked at once, unless the other list still covers it.
void CentralMessagePanel::removeHighlighted(ListBoxPane& list, const ListPane& other) {
    if (DeleteHighlightedEntry(list, HighlightedRow(list.box()), other, host_.isActivated())) {
        host_.CheckSafeProcessesList();
    }
}

} // namespace korvane
