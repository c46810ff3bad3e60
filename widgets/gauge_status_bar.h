#pragma once

#include <QColor>
#include <QList>
#include <QRect>
#include <QStatusBar>
#include <QString>

class QPainter;

namespace korvane {

// The window's status bar: one simple text, or a row of text panels of which one
// may hold a progress gauge whose text changes colour where the bar passes under it.
class TGaugeStatusBar : public QStatusBar {
    Q_OBJECT
    Q_PROPERTY(QColor barColor READ barColor WRITE setBarColor)
    Q_PROPERTY(int max READ max WRITE setMax)
    Q_PROPERTY(int min READ min WRITE setMin)
    Q_PROPERTY(int position READ position WRITE setPosition)
    Q_PROPERTY(int percent READ percent)
    Q_PROPERTY(int panelNumber READ panelNumber WRITE setPanelNumber)
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    Q_PROPERTY(TShowStyle captionStyle READ captionStyle WRITE setCaptionStyle)
    Q_PROPERTY(TGaugeStatusBarStyle barStyle READ barStyle WRITE setBarStyle)
    Q_PROPERTY(bool centerText READ centerText WRITE setCenterText)
    Q_PROPERTY(QString simpleText READ simpleText WRITE setSimpleText)
    Q_PROPERTY(bool simplePanel READ simplePanel WRITE setSimplePanel)

public:
    enum TShowStyle { ssNone, ssPercent, ssText, ssBoth };
    Q_ENUM(TShowStyle)
    enum TGaugeStatusBarStyle { gsbColor, gsbEdged };
    Q_ENUM(TGaugeStatusBarStyle)

    // Black on colours with green above 190 or a component sum above 382.5, else white.
    static QColor contrastColor(const QColor& color);

    explicit TGaugeStatusBar(QWidget* parent = nullptr);

    QColor barColor() const { return barColor_; }
    void setBarColor(const QColor& color);
    int max() const { return max_; }
    void setMax(int value);
    int min() const { return min_; }
    void setMin(int value);
    int position() const { return position_; }
    void setPosition(int value);
    int percent() const;
    int panelNumber() const { return panelNumber_; }
    void setPanelNumber(int index);
    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    TShowStyle captionStyle() const { return captionStyle_; }
    void setCaptionStyle(TShowStyle style);
    TGaugeStatusBarStyle barStyle() const { return barStyle_; }
    void setBarStyle(TGaugeStatusBarStyle style);
    bool centerText() const { return centerText_; }
    void setCenterText(bool center);

    // The simple text shows when the bar has no panels or is set to one simple panel.
    QString simpleText() const { return currentMessage(); }
    void setSimpleText(const QString& text) { showMessage(text); }
    bool simplePanel() const { return simplePanel_; }
    void setSimplePanel(bool simple);

    // Panels run left to right; the last one reaches the right edge.
    void addPanel(int width, const QString& text = {});
    int panelCount() const { return panels_.size(); }
    QString panelText(int index) const { return panels_.at(index).text; }
    void setPanelText(int index, const QString& text);
    // The area inside a panel's frame.
    QRect panelRect(int index) const;
    // Where the gauge is drawn; empty when no panel holds it.
    QRect gaugeRect() const;
    QString gaugeText() const;

signals:
    void percentChanged(int percent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Panel {
        int width = 0;
        QString text;
    };

    bool hasGauge() const;
    // Draws and announces the gauge when the position moved it to another percentage.
    void refreshPercent();
    // Draws the gauge now rather than at the next event-loop turn.
    void drawGauge();
    void paintGauge(QPainter& painter, const QRect& area) const;

    QColor barColor_{0, 0, 255};
    int max_ = 100;
    int min_ = 0;
    int position_ = 0;
    int panelNumber_ = -1;
    QString caption_;
    TShowStyle captionStyle_ = ssPercent;
    TGaugeStatusBarStyle barStyle_ = gsbColor;
    bool centerText_ = false;
    bool simplePanel_ = false;
    QList<Panel> panels_;
    int lastPercent_ = 0;
};

} // namespace korvane
