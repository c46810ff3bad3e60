#include "ui/password_form.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include "ui/control_colours.h"
#include "ui/handler_guard.h"
#include "ui/palette.h"
#include "ui/window_placement.h"

namespace korvane {

TForm3::TForm3(PasswordGuarded& guarded) : QDialog(nullptr), guarded_(guarded) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Password"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(208, 83);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    Paint(this, palette::kBeige, palette::kNavy);

    Label1 = new QLabel(QStringLiteral("Enter password:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(16, 8);
    PaintText(Label1, palette::kNavy);
    Label1->adjustSize();

    MaskEdit2 = new QLineEdit(this);
    MaskEdit2->setObjectName(QStringLiteral("MaskEdit2"));
    MaskEdit2->setGeometry(16, 26, 176, 21);
    // Every character shows as "#"; the text itself stays exactly as typed.
    MaskEdit2->setEchoMode(QLineEdit::Password);
    MaskEdit2->setStyleSheet(QStringLiteral("lineedit-password-character: 35"));
    MaskEdit2->installEventFilter(this);

    EncartaButton1 = new TEncartaButton(this);
    EncartaButton1->setObjectName(QStringLiteral("EncartaButton1"));
    EncartaButton1->setGeometry(56, 56, 86, 22);
    EncartaButton1->setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    EncartaButton1->setColorBorder(palette::kNavy);
    EncartaButton1->setColor(palette::kTan);
    EncartaButton1->setColorOver(palette::kGold);
    EncartaButton1->setColorDown(palette::kGold);
    EncartaButton1->setColorOverCaption(Qt::black);
    EncartaButton1->setFontColor(palette::kNavy);
    EncartaButton1->setCaption(QStringLiteral("OK"));
    connect(EncartaButton1, &TEncartaButton::clicked, this, [this] { RunHandler([this] { EncartaButton1Click(); }); });
}

void TForm3::askPassword() {
    MaskEdit2->clear();
    setPrompt(QStringLiteral("Enter password!"), palette::kNavy);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->availableGeometry();
        PlaceWindow(*this, desktop.center() - rect().center());
    }
    show();
    raise();
    activateWindow();
    MaskEdit2->setFocus();
}

void TForm3::EncartaButton1Click() {
    if (MaskEdit2->text() == guarded_.lockPassword()) {
        MaskEdit2->clear();
        hide();
        guarded_.passwordAccepted();
        return;
    }
    setPrompt(QStringLiteral("Incorrect password!"), palette::kRed);
    MaskEdit2->clear();
}

void TForm3::setPrompt(const QString& text, const QColor& colour) {
    Label1->setText(text);
    PaintText(Label1, colour);
    Label1->adjustSize();
}

// MaskEdit2KeyPress: Enter answers the dialog and goes no further.
bool TForm3::eventFilter(QObject* watched, QEvent* event) {
    if (watched == MaskEdit2 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            RunHandler([this] { EncartaButton1Click(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace korvane
