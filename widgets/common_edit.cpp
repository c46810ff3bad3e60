#include "widgets/common_edit.h"

#include <algorithm>
#include <array>

#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>

namespace korvane {

namespace {

// A candidate never holds more than this many characters after the edit point.
constexpr int kSuffixLimit = 255;

bool isUncheckedEdit(const QKeyEvent* event) {
    // QLineEdit's own editing shortcuts that the filter does not model; they are refused
    // like the control characters that carry them.
    static constexpr std::array keys{QKeySequence::Undo,
                                     QKeySequence::Redo,
                                     QKeySequence::DeleteStartOfWord,
                                     QKeySequence::DeleteEndOfWord,
                                     QKeySequence::DeleteEndOfLine,
                                     QKeySequence::DeleteCompleteLine};
    return std::any_of(keys.begin(), keys.end(),
                       [event](QKeySequence::StandardKey key) { return event->matches(key); });
}

} // namespace

TCommonEdit::TCommonEdit(QWidget* parent) : QLineEdit(parent) {
    // A dropped text would skip the filter.
    setAcceptDrops(false);
    showInColour(colorNormal_);
}

void TCommonEdit::setColorNormal(const QColor& colour) {
    colorNormal_ = colour;
}

void TCommonEdit::setColorWarning(const QColor& colour) {
    colorWarning_ = colour;
}

void TCommonEdit::setFormatString(const QString& format) {
    formatString_ = format;
    rewriteText();
}

void TCommonEdit::setValidate(bool validate) {
    validate_ = validate;
    rewriteText();
}

void TCommonEdit::setMaxLength(int length) {
    maxLength_ = std::max(length, 0);
}

void TCommonEdit::copySelection() {
    if (hasSelectedText()) {
        QGuiApplication::clipboard()->setText(selectedText());
    }
}

void TCommonEdit::pasteClipboard() {
    if (isReadOnly()) {
        return;
    }
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (data == nullptr || !data->hasText()) {
        QMessageBox::information(this, tr("Information"), QStringLiteral("No text on the Clipboard"));
        return;
    }
    const QString pasted = data->text();
    if (!acceptCandidate(candidate(editStart(), selectionLength(), pasted))) {
        return;
    }
    if (maxLength_ > 0) {
        const int room = std::max(maxLength_ - int(text().size()) + selectionLength(), 0);
        insert(pasted.left(room));
    } else {
        insert(pasted);
    }
}

void TCommonEdit::cutSelection() {
    if (!hasSelectedText() || isReadOnly()) {
        return;
    }
    if (acceptCandidate(candidate(selectionStart(), selectionLength(), QString()))) {
        QGuiApplication::clipboard()->setText(selectedText());
        del();
    }
}

TCommonEdit::CharKind TCommonEdit::classifyChar(QChar) const {
    return CharKind::Reject;
}

void TCommonEdit::rewriteText() {}

bool TCommonEdit::acceptCandidate(const QString&) const {
    return true;
}

void TCommonEdit::showInColour(const QColor& colour) {
    QPalette colours = palette();
    colours.setColor(QPalette::Text, colour);
    setPalette(colours);
}

void TCommonEdit::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        pasteClipboard();
        return;
    }
    if (event->matches(QKeySequence::Cut)) {
        cutSelection();
        return;
    }
    bool passOn = true;
    if (isUncheckedEdit(event)) {
        passOn = false;
    } else if (event->key() == Qt::Key_Delete) {
        passOn = deletionAccepted(false);
    } else if (event->key() == Qt::Key_Backspace) {
        passOn = classifyChar(QChar(u'\b')) == CharKind::Delete && deletionAccepted(true);
    } else if (!event->text().isEmpty() && event->text().front().isPrint()) {
        passOn = typedTextAccepted(event->text());
    }
    if (passOn) {
        QLineEdit::keyPressEvent(event);
    } else {
        event->accept();
    }
}

void TCommonEdit::inputMethodEvent(QInputMethodEvent* event) {
    // Composed text arrives here instead of as key presses; only committed text that
    // passes the filter goes on.
    if (!event->commitString().isEmpty() && typedTextAccepted(event->commitString())) {
        QLineEdit::inputMethodEvent(event);
    } else {
        event->accept();
    }
}

void TCommonEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // Returning from a menu or from another window is not entering the field.
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason) {
        return;
    }
    if (event->reason() != Qt::MouseFocusReason) {
        selectAll();
    }
    showInColour(colorNormal_);
}

void TCommonEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason) {
        rewriteText();
    }
}

void TCommonEdit::mouseReleaseEvent(QMouseEvent* event) {
    // The middle button would paste the X11 selection past the filter.
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TCommonEdit::contextMenuEvent(QContextMenuEvent* event) {
    // QLineEdit's own menu would paste and undo past the filter.
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(tr("Cu&t"), this, &TCommonEdit::cutSelection)->setEnabled(hasSelectedText() && !isReadOnly());
    menu->addAction(tr("&Copy"), this, &TCommonEdit::copySelection)->setEnabled(hasSelectedText());
    menu->addAction(tr("&Paste"), this, &TCommonEdit::pasteClipboard)->setEnabled(!isReadOnly());
    menu->addSeparator();
    menu->addAction(tr("Select All"), this, &QLineEdit::selectAll)->setEnabled(!text().isEmpty());
    menu->popup(event->globalPos());
}

int TCommonEdit::editStart() const {
    return hasSelectedText() ? selectionStart() : cursorPosition();
}

QString TCommonEdit::candidate(int start, int removed, const QString& inserted) const {
    return text().left(start) + inserted + text().mid(start + removed, kSuffixLimit);
}

bool TCommonEdit::fitsLength(int insertedLength) const {
    return maxLength_ == 0 || text().size() - selectionLength() + insertedLength <= maxLength_;
}

bool TCommonEdit::typedTextAccepted(const QString& typed) const {
    const bool allInserts =
        std::all_of(typed.begin(), typed.end(), [this](QChar c) { return classifyChar(c) == CharKind::Insert; });
    return allInserts && fitsLength(int(typed.size())) &&
           acceptCandidate(candidate(editStart(), selectionLength(), typed));
}

bool TCommonEdit::deletionAccepted(bool backspace) const {
    const int start = editStart();
    if (hasSelectedText()) {
        return acceptCandidate(candidate(start, selectionLength(), QString()));
    }
    if (backspace) {
        const int from = std::max(start - 1, 0);
        return acceptCandidate(candidate(from, start - from, QString()));
    }
    return acceptCandidate(candidate(start, 1, QString()));
}

} // namespace korvane
