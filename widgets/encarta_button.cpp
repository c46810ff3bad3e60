#include "widgets/encarta_button.h"

#include <algorithm>

#include <QApplication>
#include <QBitmap>
#include <QCursor>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

namespace korvane {
namespace {

const QColor BevelLight(248, 244, 237);
const QColor BevelDark(79, 79, 79);

// A one-pixel horizontal or vertical line from `from` up to, but not including, `to`.
void drawLineUpTo(QPainter& painter, QPoint from, QPoint to, const QColor& color) {
    const QPoint step((to.x() > from.x()) - (to.x() < from.x()), (to.y() > from.y()) - (to.y() < from.y()));
    if (step.isNull()) {
        return;
    }
    const QPoint last = to - step;
    painter.fillRect(QRect(QPoint(std::min(from.x(), last.x()), std::min(from.y(), last.y())),
                           QPoint(std::max(from.x(), last.x()), std::max(from.y(), last.y()))),
                     color);
}

} // namespace

TEncartaButton::ContentLayout TEncartaButton::layoutContent(QSize control, QSize captionSize, QSize glyphSize,
                                                            bool showCaption, Look look) {
    const int w = control.width();
    const int h = control.height();
    const int tw = captionSize.width();
    const int th = captionSize.height();
    const int gw = glyphSize.width();
    const int gh = glyphSize.height();
    const int d = look == Look::Pressed ? 1 : 0;

    ContentLayout layout;
    layout.drawsGlyph = !glyphSize.isEmpty();
    layout.drawsCaption = showCaption;
    if (!layout.drawsGlyph) {
        layout.captionPos = QPoint(w / 2 - tw / 2 + d, h / 2 - th / 2 + d);
    } else if (!showCaption) {
        layout.glyphRect = QRect(w / 2 - gw / 2 + d, h / 2 - gh / 2 + d, gw, gh);
    } else {
        // One column wider than the glyph: the picture is stretched by a pixel.
        const int left = w / 2 - (gw + tw) / 2;
        layout.glyphRect = QRect(left - 1 + d, h / 2 - gh / 2 + d, gw + 1, gh);
        layout.captionPos = QPoint(w / 2 + (gw - tw) / 2 + 4 + d, h / 2 - th / 2 + d);
    }
    return layout;
}

TEncartaButton::TEncartaButton(QWidget* parent) : QWidget(parent), color_(palette().color(QPalette::Button)) {
    QFont captionFont = font();
    captionFont.setFamily(QStringLiteral("Arial"));
    setFont(captionFont);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    resize(sizeHint());
    // Until a caption is given, the button shows its own name.
    connect(this, &QObject::objectNameChanged, this, [this](const QString& name) {
        if (!captionGiven_) {
            caption_ = name;
            update();
        }
    });
}

QSize TEncartaButton::sizeHint() const {
    return {86, 22};
}

void TEncartaButton::setCaption(const QString& caption) {
    caption_ = caption;
    captionGiven_ = true;
    showLook(Look::Normal);
}

void TEncartaButton::setColor(const QColor& color) {
    color_ = color;
    showLook(Look::Normal);
}

void TEncartaButton::setColorBorder(const QColor& color) {
    colorBorder_ = color;
    showLook(Look::Normal);
}

void TEncartaButton::setShowCaption(bool show) {
    showCaption_ = show;
    showLook(Look::Normal);
}

void TEncartaButton::setGlyph(const QPixmap& glyph) {
    glyph_ = glyph;
    keyedGlyph_ = glyph;
    if (!glyph.isNull()) {
        // The colour of the top-left pixel is see-through.
        keyedGlyph_.setMask(glyph.createMaskFromColor(glyph.toImage().pixelColor(0, 0), Qt::MaskInColor));
    }
    update();
}

void TEncartaButton::setFontColor(const QColor& color) {
    fontColor_ = color;
    update();
}

void TEncartaButton::showLook(Look look) {
    if (look == Look::Pressed && look_ != Look::Pressed) {
        pressedCaptionColor_ = look_ == Look::Hover ? colorOverCaption_ : fontColor_;
    }
    look_ = look;
    repaint();
}

void TEncartaButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintLook(painter);
}

void TEncartaButton::paintLook(QPainter& painter) const {
    const int w = width();
    const int h = height();
    const QColor face = look_ == Look::Normal ? color_ : look_ == Look::Hover ? colorOver_ : colorDown_;
    const QColor captionColor = look_ == Look::Normal  ? fontColor_
                                : look_ == Look::Hover ? colorOverCaption_
                                                       : pressedCaptionColor_;

    painter.fillRect(QRect(1, 1, w - 2, h - 2), face);

    const QFontMetrics metrics(font());
    const QSize captionSize(metrics.horizontalAdvance(caption_), metrics.height());
    const ContentLayout layout = layoutContent(size(), captionSize, keyedGlyph_.size(), showCaption_, look_);
    if (layout.drawsGlyph) {
        painter.drawPixmap(layout.glyphRect, keyedGlyph_);
    }
    if (layout.drawsCaption) {
        painter.fillRect(QRect(layout.captionPos, captionSize), face);
        painter.setFont(font());
        painter.setPen(captionColor);
        painter.drawText(layout.captionPos + QPoint(0, metrics.ascent()), caption_);
    }

    painter.setPen(colorBorder_);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, w - 1, h - 1);

    if (look_ == Look::Normal) {
        return;
    }
    const auto topLeft = [&](const QColor& color) {
        drawLineUpTo(painter, {0, h - 2}, {0, 0}, color);
        drawLineUpTo(painter, {0, 0}, {w - 1, 0}, color);
    };
    const auto bottomRight = [&](const QColor& color) {
        drawLineUpTo(painter, {w - 1, 0}, {w - 1, h}, color);
        drawLineUpTo(painter, {w, h - 1}, {-1, h - 1}, color);
    };
    if (look_ == Look::Hover) {
        topLeft(BevelLight);
        bottomRight(BevelDark);
    } else {
        bottomRight(BevelLight);
        topLeft(BevelDark);
    }
}

void TEncartaButton::enterEvent(QEnterEvent*) {
    if (buttonEnabled_) {
        showLook(Look::Hover);
    }
}

void TEncartaButton::leaveEvent(QEvent*) {
    showLook(Look::Normal);
}

void TEncartaButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !buttonEnabled_) {
        QWidget::mousePressEvent(event);
        return;
    }
    emit mouseDown(event->button(), event->modifiers(), event->position().toPoint());
    showLook(Look::Pressed);
}

void TEncartaButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const QPoint pos = event->position().toPoint();
    // A handler may close or delete the window the button lives in.
    const QPointer<TEncartaButton> self(this);
    if (rect().contains(pos)) {
        showLook(Look::Normal);
        if (buttonEnabled_) {
            emit clicked();
        }
    }
    if (!self || !buttonEnabled_) {
        return;
    }
    emit mouseUp(event->button(), event->modifiers(), pos);
    if (self && QApplication::widgetAt(QCursor::pos()) == this) {
        showLook(Look::Hover);
    }
}

void TEncartaButton::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMove(event->buttons(), event->modifiers(), event->position().toPoint());
    QWidget::mouseMoveEvent(event);
}

} // namespace korvane
