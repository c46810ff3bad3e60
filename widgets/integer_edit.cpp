#include "widgets/integer_edit.h"

#include <algorithm>

#include <QRegularExpression>

namespace korvane {

namespace {

// formatString goes to printf, so only formats with exactly one integer conversion are
// used; any other would read an argument that is not there.
std::optional<QString> formatted(const QString& format, qint32 value) {
    static const QRegularExpression oneInteger(
        QStringLiteral("^(?:[^%]|%%)*%-?[0-9]{0,3}(?:\\.[0-9]{0,3})?d(?:[^%]|%%)*$"));
    if (!oneInteger.match(format).hasMatch()) {
        return std::nullopt;
    }
    return QString::asprintf(format.toUtf8().constData(), int(value));
}

} // namespace

TIntegerEdit::TIntegerEdit(QWidget* parent) : TCommonEdit(parent) {
    setFormatString(QStringLiteral("%d"));
}

std::optional<qint32> TIntegerEdit::parseInteger(QStringView text) {
    const QStringView digits = text.startsWith(u'-') || text.startsWith(u'+') ? text.sliced(1) : text;
    const bool decimal =
        !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    bool ok = false;
    const qint32 value = decimal ? text.toInt(&ok, 10) : 0;
    return ok ? std::optional<qint32>(value) : std::nullopt;
}

qint32 TIntegerEdit::value() const {
    if (text().isEmpty()) {
        return 0;
    }
    return parseInteger(text()).value_or(minValue_);
}

void TIntegerEdit::setValue(qint32 value) {
    showNumber(rangeChecked(value));
}

TCommonEdit::CharKind TIntegerEdit::classifyChar(QChar c) const {
    if (c == u'\b') {
        return CharKind::Delete;
    }
    if (c == u'+' || c == u'-' || (c >= u'0' && c <= u'9')) {
        return CharKind::Insert;
    }
    return CharKind::Reject;
}

void TIntegerEdit::rewriteText() {
    showNumber(rangeChecked(value()));
}

bool TIntegerEdit::acceptCandidate(const QString& candidate) const {
    return candidate.isEmpty() || candidate == u"-" || candidate == u"+" || parseInteger(candidate).has_value();
}

qint32 TIntegerEdit::rangeChecked(qint32 value) {
    showInColour(colorNormal());
    if (!validate()) {
        return value;
    }
    if (value < minValue_) {
        showInColour(colorWarning());
        emit underflow();
        return minValue_;
    }
    if (value > maxValue_) {
        showInColour(colorWarning());
        emit overflow();
        return maxValue_;
    }
    return value;
}

void TIntegerEdit::showNumber(qint32 value) {
    // An unusable formatString leaves the text as it is.
    if (const std::optional<QString> text = formatted(formatString(), value)) {
        setText(*text);
    }
}

} // namespace korvane
