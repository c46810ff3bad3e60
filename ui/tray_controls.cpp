#include "ui/tray_controls.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSystemTrayIcon>

#include "ui/handler_guard.h"
#include "ui/main_form.h"
#include "ui/palette.h"

namespace korvane {

namespace {

const QString kActivationRefused = QStringLiteral(
    "<OK>Can not activate Korvane with 'Never Kill System Processes' list and/or 'Safe Processes' list empty!");
const QString kNoTray =
    QStringLiteral("This desktop has no notification area (system tray), so Korvane is minimised instead of hidden.  "
                   "Bring it back from the task bar or the window list.");
constexpr int kActivatedImage = 0;
constexpr int kStoppedImage = 1;

void PaintButton(TEncartaButton& button, const QColor& face, const QColor& caption) {
    button.setColor(face);
    button.setFontColor(caption);
}

} // namespace

TrayControls::TrayControls(TForm1& form, QObject* parent)
    : QObject(parent), form_(form), c_(form.controls()), form3_(std::make_unique<TForm3>(*this)),
      trayAvailable_(&QSystemTrayIcon::isSystemTrayAvailable) {
    const auto wire = [this](auto* control, auto signal, void (TrayControls::*handler)()) {
        connect(control, signal, this, [this, handler] { RunHandler([this, handler] { (this->*handler)(); }); });
    };
    wire(c_.EncartaButton5, &TEncartaButton::mouseDown, &TrayControls::EncartaButton5MouseDown);
    wire(c_.EncartaButton5, &TEncartaButton::clicked, &TrayControls::EncartaButton5Click);
    wire(&form_.timer2(), &QTimer::timeout, &TrayControls::Timer2Timer);
    wire(c_.EncartaButton3, &TEncartaButton::clicked, &TrayControls::EncartaButton3Click);
    wire(c_.RxTrayIcon1, &TRxTrayIcon::click, &TrayControls::RxTrayIcon1Click);
    wire(&form_.timer3(), &QTimer::timeout, &TrayControls::Timer3Timer);
    wire(c_.EncartaButton7, &TEncartaButton::clicked, &TrayControls::EncartaButton7Click);
    wire(c_.HelpButton, &TEncartaButton::clicked, &TrayControls::HelpButtonClick);
    form_.installEventFilter(this);
    connect(form3_.get(), &QDialog::rejected, this, &TrayControls::passwordDialogClosed);
}

TrayControls::~TrayControls() = default;

void TrayControls::EncartaButton5Click() {
    if (form_.isActivated()) {
        form_.setActivationLook(false);
        c_.RxTrayIcon1->setIcon(c_.RxTrayIcon1->icons()->at(kStoppedImage));
        // The watch timer goes on: the Current list keeps following the processes.
        form_.timer2().start(kBlinkInterval);
        return;
    }
    // Trusted installed packages vouch where an empty Safe list would question everything.
    if ((c_.TextListBox2->count() == 0 && !form_.packagesVouch()) || c_.TextListBox4->count() == 0) {
        form_.messagePanel().CentralMessagesRtn(kActivationRefused);
        return;
    }
    form_.timer2().stop();
    form_.setActivationLook(true);
    c_.RxTrayIcon1->setIcon(c_.RxTrayIcon1->icons()->at(kActivatedImage));
    // An interval typed while the watch was stopped or running takes effect now.
    form_.setTimer1Interval(c_.IntegerEdit1->value());
    form_.engine().killList().CheckKillProcessesList();
    form_.engine().verifier().CheckSafeProcessesList();
}

void TrayControls::EncartaButton5MouseDown() {
    form_.timer2().stop();
}

void TrayControls::Timer2Timer() {
    TEncartaButton& button = *c_.EncartaButton5;
    if (form_.isActivated()) {
        PaintButton(button, palette::kYellow, palette::kNavy);
        form_.timer2().stop();
    } else if (button.color() == palette::kRed && button.caption() == QLatin1String("Stopped")) {
        PaintButton(button, palette::kAmber, palette::kNavy);
    } else {
        PaintButton(button, palette::kRed, palette::kYellow);
    }
}

void TrayControls::EncartaButton3Click() {
    if (c_.CheckBox10->isChecked() && !form_.isActivated()) {
        EncartaButton5Click();
    }
    HideInTray();
}

void TrayControls::HideInTray() {
    // Away in the tray, by the Tray button or by a locked start: the window comes back
    // from there only, through the password while LOCK is checked, and never by itself
    // when the questionable dialog closes.
    form_.setInTray(true);
    if (trayAvailable_()) {
        form_.hide();
        return;
    }
    // Hidden with no icon to click, the window could never come back.
    minimisedForTray_ = true;
    form_.showMinimized();
    if (!noTrayNoticeGiven_) {
        noTrayNoticeGiven_ = true;
        // Joined to a notice still open, such as a refused activation, after a blank.
        const bool open = !c_.CentralMsgLabelPanel1->isHidden();
        form_.messagePanel().CentralMessagesRtn((open ? QStringLiteral("<OK> ") : QStringLiteral("<OK>")) + kNoTray);
    }
}

void TrayControls::RxTrayIcon1Click() {
    if (c_.CheckBox5->isChecked()) {
        form3_->askPassword();
    } else {
        showFromTray();
    }
}

void TrayControls::showFromTray() {
    minimisedForTray_ = false;
    form_.setInTray(false);
    form_.showNormal();
    form_.raise();
    form_.activateWindow();
}

QString TrayControls::lockPassword() const {
    return c_.MaskEdit1->text();
}

void TrayControls::passwordAccepted() {
    showFromTray();
}

// Restoring the window minimised in place of the tray is the tray icon's click. While
// LOCK is checked the window stays hidden behind the password dialog, and goes back
// to the task bar when the dialog is closed unanswered. (Hidden, not minimised again:
// the window system reports states late, and would undo a quick second minimise.)
bool TrayControls::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &form_ && event->type() == QEvent::WindowStateChange && minimisedForTray_ && !form_.isMinimized()) {
        minimisedForTray_ = false;
        if (c_.CheckBox5->isChecked()) {
            // Once the restore is over (a restore that shows the window comes after
            // this), and only while the password is still asked for.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (form3_->isVisible()) {
                        form_.hide();
                    }
                },
                Qt::QueuedConnection);
        }
        RunHandler([this] { RxTrayIcon1Click(); });
    }
    return QObject::eventFilter(watched, event);
}

void TrayControls::passwordDialogClosed() {
    if (form_.isHidden() && !trayAvailable_()) {
        HideInTray();
    }
}

void TrayControls::Timer3Timer() {
    form_.platform().sound->playSync(form_.location().resourceFolder + "Alarm2.wav");
    // The window answers while the alarm blinks; the sound held it for its length.
    QCoreApplication::processEvents();
    // "Log" may have been pressed meanwhile: the alarm is over, the button stays calm.
    if (!form_.timer3().isActive()) {
        return;
    }
    TEncartaButton& log = *c_.EncartaButton7;
    if (log.color() == palette::kRed) {
        PaintButton(log, palette::kBeige, palette::kNavy);
    } else {
        PaintButton(log, palette::kRed, palette::kYellow);
    }
}

void TrayControls::EncartaButton7Click() {
    form_.timer3().stop();
    PaintButton(*c_.EncartaButton7, palette::kBeige, palette::kNavy);
    openDocument(form_.location().dataFolder + "system/KVlog.txt");
}

void TrayControls::HelpButtonClick() {
    openDocument(form_.location().resourceFolder + "KVhelp.chm");
}

// With the desktop's program for the file; a missing file or program fails quietly.
void TrayControls::openDocument(const std::string& path) {
    form_.platform().documents->open(path);
}

} // namespace korvane
