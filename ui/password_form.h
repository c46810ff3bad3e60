#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QString>

#include "widgets/encarta_button.h"

namespace korvane {

// What the password dialog guards: the lock password and the way back to the window.
class PasswordGuarded {
public:
    virtual ~PasswordGuarded() = default;
    // The lock password as it stands now.
    virtual QString lockPassword() const = 0;
    // The right password was given: the main window comes back from the tray.
    virtual void passwordAccepted() = 0;
};

// The dialog that asks for the lock password before the main window comes back from
// the notification area. As many attempts as the user likes; the password is compared
// exactly, letter case included.
class TForm3 : public QDialog {
    Q_OBJECT

public:
    explicit TForm3(PasswordGuarded& guarded);

    // Opens the dialog afresh: empty edit, "Enter password!".
    void askPassword();

    // OK, and Enter in the edit.
    void EncartaButton1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setPrompt(const QString& text, const QColor& colour);

    PasswordGuarded& guarded_;
    QLabel* Label1;
    QLineEdit* MaskEdit2;
    TEncartaButton* EncartaButton1;
};

} // namespace korvane
