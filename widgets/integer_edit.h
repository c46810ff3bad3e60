#pragma once

#include <optional>

#include <QStringView>

#include "widgets/common_edit.h"

namespace korvane {

// A field that only ever holds a signed 32-bit whole number or a partial entry on the
// way to one ("", "-", "+").
class TIntegerEdit : public TCommonEdit {
    Q_OBJECT
    Q_PROPERTY(qint32 minValue READ minValue WRITE setMinValue)
    Q_PROPERTY(qint32 maxValue READ maxValue WRITE setMaxValue)
    Q_PROPERTY(qint32 value READ value WRITE setValue)

public:
    explicit TIntegerEdit(QWidget* parent = nullptr);

    // An optional sign and decimal digits, within the signed 32-bit range.
    static std::optional<qint32> parseInteger(QStringView text);

    qint32 minValue() const { return minValue_; }
    // The range is checked at the next rewrite, not now.
    void setMinValue(qint32 value) { minValue_ = value; }
    qint32 maxValue() const { return maxValue_; }
    void setMaxValue(qint32 value) { maxValue_ = value; }

    // Read as typed, without the range check: empty is 0, unparsable is minValue.
    qint32 value() const;
    void setValue(qint32 value);

protected:
    CharKind classifyChar(QChar c) const override;
    void rewriteText() override;
    bool acceptCandidate(const QString& candidate) const override;

private:
    qint32 rangeChecked(qint32 value);
    void showNumber(qint32 value);

    qint32 minValue_ = 0;
    qint32 maxValue_ = 0;
};

} // namespace korvane
