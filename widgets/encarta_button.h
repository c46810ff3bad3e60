#pragma once

#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

namespace korvane {

// The flat push button of every window: a face that changes colour under the pointer,
// a one-pixel frame and a thin bevel while hovered (raised) or pressed (sunken).
// No focus, no keyboard, never greyed. Its own `buttonEnabled` switch silences it
// without changing its look; QWidget's enabled state is left to Qt.
class TEncartaButton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(QColor color READ color WRITE setColor)
    Q_PROPERTY(QColor colorBorder READ colorBorder WRITE setColorBorder)
    Q_PROPERTY(bool buttonEnabled READ isButtonEnabled WRITE setButtonEnabled)
    Q_PROPERTY(QPixmap glyph READ glyph WRITE setGlyph)
    Q_PROPERTY(QColor colorOverCaption READ colorOverCaption WRITE setColorOverCaption)
    Q_PROPERTY(QColor colorOver READ colorOver WRITE setColorOver)
    Q_PROPERTY(QColor colorDown READ colorDown WRITE setColorDown)
    Q_PROPERTY(bool showCaption READ showCaption WRITE setShowCaption)
    Q_PROPERTY(QColor fontColor READ fontColor WRITE setFontColor)

public:
    enum class Look { Normal, Hover, Pressed };

    // Where the content of a look goes, from the control size W x H, the caption
    // size tw x th and the glyph size gw x gh (empty: no glyph).
    struct ContentLayout {
        bool drawsGlyph = false;
        bool drawsCaption = false;
        QRect glyphRect;
        QPoint captionPos;
    };
    static ContentLayout layoutContent(QSize control, QSize captionSize, QSize glyphSize, bool showCaption, Look look);

    explicit TEncartaButton(QWidget* parent = nullptr);

    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    QColor color() const { return color_; }
    void setColor(const QColor& color);
    QColor colorBorder() const { return colorBorder_; }
    void setColorBorder(const QColor& color);
    bool isButtonEnabled() const { return buttonEnabled_; }
    void setButtonEnabled(bool enabled) { buttonEnabled_ = enabled; }
    QPixmap glyph() const { return glyph_; }
    void setGlyph(const QPixmap& glyph);
    QColor colorOverCaption() const { return colorOverCaption_; }
    void setColorOverCaption(const QColor& color) { colorOverCaption_ = color; }
    QColor colorOver() const { return colorOver_; }
    void setColorOver(const QColor& color) { colorOver_ = color; }
    QColor colorDown() const { return colorDown_; }
    void setColorDown(const QColor& color) { colorDown_ = color; }
    bool showCaption() const { return showCaption_; }
    void setShowCaption(bool show);
    // The caption colour of the normal look (the colour of the caption font).
    QColor fontColor() const { return fontColor_; }
    void setFontColor(const QColor& color);

    Look look() const { return look_; }
    QSize sizeHint() const override;

signals:
    void clicked();
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void mouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint pos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // Draws the look at once, not at the next event-loop turn: status lamps rely on it.
    void showLook(Look look);
    void paintLook(QPainter& painter) const;

    QString caption_;
    bool captionGiven_ = false;
    QColor color_;
    QColor colorBorder_{153, 143, 130};
    bool buttonEnabled_ = true;
    QPixmap glyph_;
    QPixmap keyedGlyph_;
    QColor colorOverCaption_{Qt::black};
    QColor colorOver_{216, 190, 10};
    QColor colorDown_{216, 190, 10};
    bool showCaption_ = true;
    QColor fontColor_{Qt::black};
    Look look_ = Look::Normal;
    // The pressed look keeps the caption colour of the look before it.
    QColor pressedCaptionColor_{Qt::black};
};

} // namespace korvane
