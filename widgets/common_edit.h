#pragma once

#include <QColor>
#include <QLineEdit>
#include <QString>

namespace korvane {

// A one-line field that filters every keystroke and clipboard operation by the text it
// would hold afterwards. Subclasses decide which characters insert or delete, which
// texts are acceptable and how the text is rewritten when the user leaves the field.
class TCommonEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(QColor colorNormal READ colorNormal WRITE setColorNormal)
    Q_PROPERTY(QColor colorWarning READ colorWarning WRITE setColorWarning)
    Q_PROPERTY(QString formatString READ formatString WRITE setFormatString)
    Q_PROPERTY(bool validate READ validate WRITE setValidate)
    Q_PROPERTY(int maxLength READ maxLength WRITE setMaxLength)

public:
    explicit TCommonEdit(QWidget* parent = nullptr);

    QColor colorNormal() const { return colorNormal_; }
    void setColorNormal(const QColor& colour);
    QColor colorWarning() const { return colorWarning_; }
    void setColorWarning(const QColor& colour);
    QString formatString() const { return formatString_; }
    void setFormatString(const QString& format);
    bool validate() const { return validate_; }
    void setValidate(bool validate);

    // Limits what the user types or pastes, never what the program writes: QLineEdit's
    // own limit would silently cut a value set from code. 0 means no limit.
    int maxLength() const { return maxLength_; }
    void setMaxLength(int length);

    // The filtered clipboard operations, shared by the keys and the context menu.
    void copySelection();
    void pasteClipboard();
    void cutSelection();

signals:
    // A value above the maximum (below the minimum) was clamped.
    void overflow();
    void underflow();

protected:
    enum class CharKind { Insert, Delete, Reject };

    virtual CharKind classifyChar(QChar c) const;
    virtual void rewriteText();
    virtual bool acceptCandidate(const QString& candidate) const;

    void showInColour(const QColor& colour);

    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    int editStart() const;
    QString candidate(int start, int removed, const QString& inserted) const;
    bool fitsLength(int insertedLength) const;
    bool typedTextAccepted(const QString& typed) const;
    bool deletionAccepted(bool backspace) const;

    QColor colorNormal_{Qt::black};
    QColor colorWarning_{255, 0, 0};
    QString formatString_;
    bool validate_ = false;
    int maxLength_ = 0;
};

} // namespace korvane
