#pragma once

#include <functional>
#include <memory>

#include <QObject>
#include <QString>

#include "ui/main_form_controls.h"
#include "ui/password_form.h"

namespace korvane {

class TForm1;

// The activation button with its blink, the Tray button and the tray icon's click
// (through the password dialog TForm3 while LOCK is checked), the tamper alarm on the
// Log button, and the Log and help buttons.
class TrayControls : public QObject, public PasswordGuarded {
    Q_OBJECT

public:
    static constexpr int kBlinkInterval = 500;

    // Connects the buttons, the tray icon, the blink and alarm timers, and creates TForm3.
    TrayControls(TForm1& form, QObject* parent);
    ~TrayControls() override;

    // The activation toggle; refuses to activate while the Safe or Never Kill list is empty.
    void EncartaButton5Click();
    // The blink stops before a click is handled, so the button keeps its colour.
    void EncartaButton5MouseDown();
    void Timer2Timer();
    // "Tray"
    void EncartaButton3Click();
    void RxTrayIcon1Click();
    void Timer3Timer();
    // "Log"
    void EncartaButton7Click();
    // "?"
    void HelpButtonClick();

    // Puts the window away into the notification area (InTray); where there is none,
    // minimises it instead and says so once.
    void HideInTray();

    // Where the desktop is asked whether it has a notification area.
    void setTrayAvailability(std::function<bool()> available) { trayAvailable_ = std::move(available); }
    TForm3& passwordDialog() { return *form3_; }

    // PasswordGuarded
    QString lockPassword() const override;
    void passwordAccepted() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showFromTray();
    void passwordDialogClosed();
    void openDocument(const std::string& path);

    TForm1& form_;
    MainFormControls& c_;
    std::unique_ptr<TForm3> form3_;
    std::function<bool()> trayAvailable_;
    // Minimised in place of the missing notification area: coming back from there is a
    // tray icon click.
    bool minimisedForTray_ = false;
    bool noTrayNoticeGiven_ = false;
};

} // namespace korvane
