#pragma once

#include <QObject>

#include "ui/main_form_controls.h"

namespace korvane {

class TForm1;

// The click reactions of the preferences pane: the check boxes (but "Auto Kill unknown
// processes without prompting.", which asks through the message panel, and "Run at
// Windows startup", which the window applies itself), LOCK, "Lock Preferences" and the
// change-password panel Panel11; and how those preferences look.
class PreferencesPanel : public QObject {
    Q_OBJECT

public:
    // Connects the check boxes, "Change password" and the panel's OK and Cancel.
    PreferencesPanel(TForm1& form, QObject* parent);

    void CheckBox2Click();
    void CheckBox4Click();
    // LOCK: never set without a password.
    void CheckBox5Click();
    // "Start program in Stopped mode.", "Alarm on popup", "Uncheck Bypassed Kills at
    // EOJ" and "Activate upon Tray" are read when needed: a click only moves the focus.
    void FocusOnlyClick();
    void CheckBox9Click();
    // "Trust installed packages" on the Safe list's popup menu.
    void TrustInstalledPackages1Click();
    void Changepassword1Click();
    void EncartaButton8Click();
    void EncartaButton4Click();

    // "Auto Kill unknown checksums" with its continuation and bar, in force or not.
    void setAutoKillChecksumsLook(bool inForce);
    // The lock area: red with yellow texts while LOCK is set, else beige with navy.
    void paintLockArea(bool locked);
    // The background-colour preference: cream or white lists, unless a list is painted
    // red by the tamper marking (then false, and nothing is painted).
    bool applyListBackground();
    // Shows the flag string's "Trust installed packages" on its menu item, greyed out
    // where there is no package database, and starts reading the database when trusted.
    void applyPackageTrust();

private:
    void closePasswordPanel();
    void setCurrentPasswordLabel(const QString& text, const QColor& colour);

    TForm1& form_;
    MainFormControls& c_;
};

} // namespace korvane
