#include "ui/preferences_panel.h"

#include "engine/text_rules.h"
#include "ui/control_colours.h"
#include "ui/handler_guard.h"
#include "ui/main_form.h"
#include "ui/palette.h"

namespace korvane {

namespace {

const QString kNoPackageDatabase =
    QStringLiteral("Greyed out: this system has no package database (/var/lib/dpkg), so nothing here was installed "
                   "by dpkg.");

} // namespace

PreferencesPanel::PreferencesPanel(TForm1& form, QObject* parent) : QObject(parent), form_(form), c_(form.controls()) {
    const auto wire = [this](auto* control, auto signal, void (PreferencesPanel::*handler)()) {
        connect(control, signal, this, [this, handler] { RunHandler([this, handler] { (this->*handler)(); }); });
    };
    wire(c_.CheckBox2, &QCheckBox::clicked, &PreferencesPanel::CheckBox2Click);
    wire(c_.CheckBox4, &QCheckBox::clicked, &PreferencesPanel::CheckBox4Click);
    wire(c_.CheckBox5, &QCheckBox::clicked, &PreferencesPanel::CheckBox5Click);
    for (QCheckBox* box : {c_.CheckBox6, c_.CheckBox7, c_.CheckBox8, c_.CheckBox10}) {
        wire(box, &QCheckBox::clicked, &PreferencesPanel::FocusOnlyClick);
    }
    wire(c_.CheckBox9, &QCheckBox::clicked, &PreferencesPanel::CheckBox9Click);
    wire(c_.Changepassword1, &QAction::triggered, &PreferencesPanel::Changepassword1Click);
    wire(c_.TrustInstalledPackages1, &QAction::triggered, &PreferencesPanel::TrustInstalledPackages1Click);
    wire(c_.EncartaButton8, &TEncartaButton::clicked, &PreferencesPanel::EncartaButton8Click);
    wire(c_.EncartaButton4, &TEncartaButton::clicked, &PreferencesPanel::EncartaButton4Click);
}

void PreferencesPanel::CheckBox2Click() {
    setAutoKillChecksumsLook(c_.CheckBox2->isChecked());
    if (!form_.firstActivation()) {
        c_.Panel14->setFocus();
    }
}

void PreferencesPanel::CheckBox4Click() {
    // A list painted red by the tamper marking keeps every list's colour.
    if (applyListBackground()) {
        c_.Panel14->setFocus();
    }
}

void PreferencesPanel::CheckBox5Click() {
    // The box's first click event comes from the restored settings, before the lists
    // (and with them the password) are loaded: the first activation paints the area.
    if (form_.firstEvents().RegisterFirstEvent(c_.CheckBox5)) {
        return;
    }
    if (c_.CheckBox5->isChecked() && Trim(form_.lockPassword()).empty()) {
        c_.CheckBox5->setChecked(false);
    }
    paintLockArea(c_.CheckBox5->isChecked());
    c_.Panel14->setFocus();
}

void PreferencesPanel::FocusOnlyClick() {
    c_.Panel14->setFocus();
}

void PreferencesPanel::CheckBox9Click() {
    const bool locked = c_.CheckBox9->isChecked();
    c_.Panel4->setEnabled(!locked);
    c_.CheckBox9->setText(locked ? QStringLiteral("Locked Preferences") : QStringLiteral("Lock Preferences"));
    PaintText(c_.CheckBox9, locked ? palette::kRed : palette::kNavy);
    QFont font = c_.CheckBox9->font();
    font.setBold(locked);
    c_.CheckBox9->setFont(font);
    c_.Panel14->setFocus();
}

// Kept in the flag string; the running processes are judged again.
void PreferencesPanel::TrustInstalledPackages1Click() {
    form_.flags().setKept(FlagString::kTrustInstalledPackages, c_.TrustInstalledPackages1->isChecked());
    if (form_.trustInstalledPackages()) {
        form_.engine().packages().index();
    }
    form_.engine().flags().ForceCheck = true;
}

void PreferencesPanel::applyPackageTrust() {
    PackageTrust& packages = form_.engine().packages();
    const bool trusted = form_.flags().isOn(FlagString::kTrustInstalledPackages);
    c_.TrustInstalledPackages1->setChecked(trusted);
    if (!packages.available()) {
        c_.TrustInstalledPackages1->setEnabled(false);
        c_.TrustInstalledPackages1->setToolTip(kNoPackageDatabase);
    } else if (trusted) {
        // Read now, so that the records are there by the time the watch needs them.
        packages.index();
    }
}

void PreferencesPanel::setAutoKillChecksumsLook(bool inForce) {
    PaintInForce({c_.CheckBox2, c_.Label3, c_.Panel9}, inForce);
}

void PreferencesPanel::paintLockArea(bool locked) {
    Paint(c_.Panel10, locked ? palette::kRed : palette::kBeige, palette::kNavy);
    for (QWidget* text : {static_cast<QWidget*>(c_.CheckBox5), static_cast<QWidget*>(c_.Label6)}) {
        PaintText(text, locked ? palette::kYellow : palette::kNavy);
    }
}

bool PreferencesPanel::applyListBackground() {
    for (const QWidget* list : {c_.TextListBox2, c_.CheckListBox3, c_.TextListBox4}) {
        if (ListColour(list) == palette::kRed) {
            return false;
        }
    }
    const QColor background = c_.CheckBox4->isChecked() ? palette::kCream : QColor(Qt::white);
    for (TTextListBox* list : {c_.TextListBox1, c_.TextListBox2, c_.CheckListBox3, c_.TextListBox4}) {
        PaintList(list, background, palette::kNavy);
    }
    return true;
}

void PreferencesPanel::Changepassword1Click() {
    form_.messagePanel().LockPanels(true);
    c_.MaskEdit2->clear();
    c_.MaskEdit3->clear();
    setCurrentPasswordLabel(QStringLiteral("Current password:"), palette::kNavy);
    c_.Panel11->show();
    c_.Panel11->raise();
    c_.MaskEdit2->setFocus();
}

void PreferencesPanel::EncartaButton8Click() {
    if (c_.MaskEdit2->text() != c_.MaskEdit1->text()) {
        setCurrentPasswordLabel(QStringLiteral("Incorrect 'Current' Password"), palette::kRed);
        return;
    }
    c_.MaskEdit1->setText(c_.MaskEdit3->text());
    if (c_.MaskEdit1->text().isEmpty()) {
        // No password, no LOCK.
        c_.CheckBox5->setChecked(false);
        paintLockArea(false);
    }
    closePasswordPanel();
}

void PreferencesPanel::EncartaButton4Click() {
    closePasswordPanel();
}

void PreferencesPanel::closePasswordPanel() {
    form_.messagePanel().LockPanels(false);
    c_.Panel11->hide();
    // Passwords do not stay behind in a hidden panel.
    c_.MaskEdit2->clear();
    c_.MaskEdit3->clear();
}

void PreferencesPanel::setCurrentPasswordLabel(const QString& text, const QColor& colour) {
    c_.Label4->setText(text);
    PaintText(c_.Label4, colour);
    c_.Label4->adjustSize();
}

} // namespace korvane
