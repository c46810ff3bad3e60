#include "widgets/gauge_status_bar.h"

#include <algorithm>

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <qdrawutil.h>

namespace korvane {

QColor TGaugeStatusBar::contrastColor(const QColor& color) {
    // Doubled so that "above 382.5" stays in whole numbers.
    const int doubledSum = 2 * (color.red() + color.green() + color.blue());
    return color.green() > 190 || doubledSum > 765 ? QColor(Qt::black) : QColor(Qt::white);
}

TGaugeStatusBar::TGaugeStatusBar(QWidget* parent) : QStatusBar(parent) {}

void TGaugeStatusBar::setBarColor(const QColor& color) {
    if (color == barColor_) {
        return;
    }
    barColor_ = color;
    drawGauge();
}

void TGaugeStatusBar::setMax(int value) {
    if (value <= min_ || value == max_) {
        return;
    }
    max_ = value;
    position_ = min_;
    refreshPercent();
}

void TGaugeStatusBar::setMin(int value) {
    if (value >= max_ || value == min_) {
        return;
    }
    min_ = value;
    position_ = min_;
    refreshPercent();
}

void TGaugeStatusBar::setPosition(int value) {
    value = std::clamp(value, min_, max_);
    if (value == position_) {
        return;
    }
    position_ = value;
    refreshPercent();
}

int TGaugeStatusBar::percent() const {
    // Wide arithmetic: a range spanning most of int must not overflow.
    return static_cast<int>((qint64{position_} - min_) * 100 / (qint64{max_} - min_));
}

void TGaugeStatusBar::refreshPercent() {
    const int now = percent();
    if (now == lastPercent_) {
        return;
    }
    lastPercent_ = now;
    drawGauge();
    emit percentChanged(now);
}

void TGaugeStatusBar::setPanelNumber(int index) {
    if (index == panelNumber_) {
        return;
    }
    panelNumber_ = index;
    update();
}

void TGaugeStatusBar::setCaption(const QString& caption) {
    if (caption == caption_) {
        return;
    }
    caption_ = caption;
    update();
    drawGauge();
}

void TGaugeStatusBar::setCaptionStyle(TShowStyle style) {
    if (style == captionStyle_) {
        return;
    }
    captionStyle_ = style;
    update();
    drawGauge();
}

void TGaugeStatusBar::setBarStyle(TGaugeStatusBarStyle style) {
    if (style == barStyle_) {
        return;
    }
    barStyle_ = style;
    update();
    drawGauge();
}

void TGaugeStatusBar::setCenterText(bool center) {
    if (center == centerText_) {
        return;
    }
    centerText_ = center;
    update();
    drawGauge();
}

void TGaugeStatusBar::setSimplePanel(bool simple) {
    simplePanel_ = simple;
    update();
}

void TGaugeStatusBar::addPanel(int width, const QString& text) {
    panels_.append({width, text});
    update();
}

void TGaugeStatusBar::setPanelText(int index, const QString& text) {
    panels_[index].text = text;
    update();
}

QRect TGaugeStatusBar::panelRect(int index) const {
    int left = 0;
    for (int i = 0; i < index; ++i) {
        left += panels_.at(i).width;
    }
    const int right = index == panels_.size() - 1 ? width() : left + panels_.at(index).width;
    return QRect(QPoint(left, 2), QPoint(right - 1, height() - 1)).adjusted(1, 1, -1, -1);
}

bool TGaugeStatusBar::hasGauge() const {
    return !simplePanel_ && panelNumber_ >= 0 && panelNumber_ < panels_.size();
}

QRect TGaugeStatusBar::gaugeRect() const {
    if (!hasGauge()) {
        return {};
    }
    QRect area = panelRect(panelNumber_);
    if (panelNumber_ == panels_.size() - 1) {
        // Room for the size grip in the corner.
        area.setRight(area.right() - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this));
    }
    return area;
}

QString TGaugeStatusBar::gaugeText() const {
    const QString percentText = QStringLiteral("%1%").arg(percent());
    switch (captionStyle_) {
    case ssNone:
        return {};
    case ssPercent:
        return percentText;
    case ssText:
        return caption_;
    case ssBoth:
        return caption_ + percentText;
    }
    return {};
}

void TGaugeStatusBar::drawGauge() {
    const QRect area = gaugeRect();
    if (!area.isEmpty()) {
        repaint(area);
    }
}

void TGaugeStatusBar::paintEvent(QPaintEvent* event) {
    if (simplePanel_ || panels_.isEmpty()) {
        QStatusBar::paintEvent(event);
        return;
    }
    QPainter painter(this);
    for (int i = 0; i < panels_.size(); ++i) {
        const QRect inner = panelRect(i);
        qDrawShadePanel(&painter, inner.adjusted(-1, -1, 1, 1), palette(), true, 1);
        if (i == panelNumber_) {
            paintGauge(painter, gaugeRect());
        } else {
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(inner.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                             panels_.at(i).text);
        }
    }
}

void TGaugeStatusBar::paintGauge(QPainter& painter, const QRect& area) const {
    const QString text = gaugeText();
    const QFontMetrics metrics(font());
    const QColor face = palette().color(QPalette::Button);
    const QColor fill = barStyle_ == gsbColor ? barColor_ : face;
    const QColor barTextColor = contrastColor(fill);
    const QColor restTextColor =
        barStyle_ == gsbColor ? contrastColor(palette().color(backgroundRole())) : barTextColor;

    const QRect filled(area.topLeft(), QSize(lastPercent_ * area.width() / 100, area.height()));
    const QRect rest(QPoint(filled.left() + filled.width(), area.top()), area.bottomRight());
    const int textWidth = metrics.horizontalAdvance(text);
    const int textLeft = centerText_ ? filled.left() + filled.width() / 2 - textWidth / 2
                                     : area.left() + area.width() / 2 - textWidth / 2;
    const QPoint baseline(textLeft, area.top() + area.height() / 2 - metrics.height() / 2 + metrics.ascent());

    painter.save();
    painter.setFont(font());
    painter.fillRect(filled, fill);
    painter.setClipRect(filled);
    painter.setPen(barTextColor);
    painter.drawText(baseline, text);

    painter.setClipping(false);
    painter.fillRect(rest, face);
    if (!centerText_) {
        painter.setClipRect(rest);
        painter.setPen(restTextColor);
        painter.drawText(baseline, text);
    }
    painter.restore();

    if (barStyle_ == gsbEdged && lastPercent_ > 0) {
        qDrawShadePanel(&painter, filled, palette(), false, 1);
    }
}

} // namespace korvane
