#include "widgets/gauge_status_bar.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "tests/widgets/paint_counter.h"

namespace korvane {
namespace {

using Bar = TGaugeStatusBar;

class GaugeStatusBarTest : public testing::Test {
protected:
    void SetUp() override {
        // Plain pixels: text is either fully its colour or absent.
        QFont font = bar.font();
        font.setStyleStrategy(QFont::NoAntialias);
        bar.setFont(font);
        bar.addPanel(200);
        bar.addPanel(100, QStringLiteral("ready"));
        bar.setPanelNumber(0);
        bar.resize(400, 24);
        bar.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    }
    QImage gauge() { return bar.grab(bar.gaugeRect()).toImage(); }
    int filledColumns() {
        const QImage image = gauge();
        int columns = 0;
        for (int x = 0; x < image.width(); ++x) {
            columns += image.pixelColor(x, image.height() / 2) == bar.barColor();
        }
        return columns;
    }
    Bar bar;
};

TEST_F(GaugeStatusBarTest, PositionIsClampedAndFillsItsShare) {
    bar.setCaptionStyle(Bar::ssNone);
    const int width = bar.gaugeRect().width();
    bar.setPosition(50);
    EXPECT_EQ(filledColumns(), 50 * width / 100);
    bar.setPosition(150);
    EXPECT_EQ(bar.position(), 100);
    EXPECT_EQ(filledColumns(), width);
    bar.setPosition(-5);
    EXPECT_EQ(bar.position(), 0);
    EXPECT_EQ(filledColumns(), 0);
}

TEST_F(GaugeStatusBarTest, RedrawsAndSignalsOnlyForANewPercentage) {
    QSignalSpy changes(&bar, &Bar::percentChanged);
    test::PaintCounter paints(&bar);
    bar.setMax(1000);
    bar.setPosition(100);
    const int drawn = paints.count;
    for (int position = 101; position <= 104; ++position) {
        bar.setPosition(position);
    }
    EXPECT_EQ(bar.position(), 104);
    EXPECT_EQ(paints.count, drawn);
    bar.setPosition(110);
    EXPECT_EQ(paints.count, drawn + 1);
    ASSERT_EQ(changes.size(), 2);
    EXPECT_EQ(changes.at(0).at(0).toInt(), 10);
    EXPECT_EQ(changes.at(1).at(0).toInt(), 11);
}

TEST_F(GaugeStatusBarTest, RangeChangesResetToStartAndKeepMinBelowMax) {
    QSignalSpy changes(&bar, &Bar::percentChanged);
    bar.setPosition(50);
    bar.setMax(200);
    EXPECT_EQ(bar.position(), 0);
    bar.setMax(0);
    bar.setMin(200);
    EXPECT_EQ(bar.max(), 200);
    EXPECT_EQ(bar.min(), 0);
    // Min moved onto the position: the gauge must still drop back to 0 %.
    bar.setPosition(20);
    bar.setMin(20);
    EXPECT_EQ(bar.percent(), 0);
    EXPECT_EQ(changes.last().at(0).toInt(), 0);
    // A range spanning most of int must not overflow the percentage.
    bar.setMin(-2000000000);
    bar.setMax(2000000000);
    bar.setPosition(0);
    EXPECT_EQ(bar.percent(), 50);
}

TEST_F(GaugeStatusBarTest, CaptionStylesAndContrast) {
    bar.setPosition(42);
    bar.setCaption(QStringLiteral("Done "));
    EXPECT_EQ(bar.gaugeText(), QStringLiteral("42%"));
    bar.setCaptionStyle(Bar::ssNone);
    EXPECT_EQ(bar.gaugeText(), QString());
    bar.setCaptionStyle(Bar::ssText);
    EXPECT_EQ(bar.gaugeText(), QStringLiteral("Done "));
    bar.setCaptionStyle(Bar::ssBoth);
    EXPECT_EQ(bar.gaugeText(), QStringLiteral("Done 42%"));

    EXPECT_EQ(Bar::contrastColor(QColor(0, 190, 0)), QColor(Qt::white));
    EXPECT_EQ(Bar::contrastColor(QColor(0, 191, 0)), QColor(Qt::black));
    EXPECT_EQ(Bar::contrastColor(QColor(128, 127, 127)), QColor(Qt::white));
    EXPECT_EQ(Bar::contrastColor(QColor(128, 128, 127)), QColor(Qt::black));
}

TEST_F(GaugeStatusBarTest, TextChangesColourWhereTheBarEnds) {
    const QColor beige(231, 223, 173), navy(0, 0, 128);
    QPalette palette = bar.palette();
    palette.setColor(QPalette::Window, beige);
    palette.setColor(QPalette::Button, beige);
    bar.setPalette(palette);
    bar.setBarColor(navy);
    bar.setCaptionStyle(Bar::ssText);
    bar.setCaption(QStringLiteral("MMMMMMMMMMMMMMMMMMMM"));
    bar.setPosition(50);
    const QImage image = gauge();
    QSet<QRgb> over, rest;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            (x < image.width() / 2 ? over : rest).insert(image.pixel(x, y));
        }
    }
    EXPECT_EQ(over, (QSet<QRgb>{navy.rgb(), QColor(Qt::white).rgb()}));
    EXPECT_EQ(rest, (QSet<QRgb>{beige.rgb(), QColor(Qt::black).rgb()}));
}

TEST_F(GaugeStatusBarTest, EdgedBarHasARaisedEdgeOnlyWhenFilled) {
    bar.setCaptionStyle(Bar::ssNone);
    bar.setBarStyle(Bar::gsbEdged);
    const QRgb light = bar.palette().color(QPalette::Light).rgb();
    EXPECT_NE(gauge().pixel(0, 0), light);
    bar.setPosition(50);
    const QImage image = gauge();
    const int right = image.width() / 2 - 1;
    const QRgb face = bar.palette().color(QPalette::Button).rgb();
    EXPECT_EQ(image.pixel(0, 0), light);
    EXPECT_EQ(image.pixel(right, image.height() - 1), bar.palette().color(QPalette::Dark).rgb());
    // One pixel wide: the face starts right inside the edge.
    EXPECT_EQ(image.pixel(1, 1), face);
    EXPECT_EQ(image.pixel(right - 1, image.height() - 2), face);
    EXPECT_EQ(image.pixel(right + 1, 5), face);
}

TEST_F(GaugeStatusBarTest, NoGaugeWithoutAValidPanel) {
    bar.setPanelNumber(2);
    EXPECT_TRUE(bar.gaugeRect().isEmpty());
    test::PaintCounter paints(&bar);
    bar.setPosition(60);
    EXPECT_EQ(paints.count, 0);
    // In the last panel the gauge leaves room for the size grip.
    bar.setPanelNumber(1);
    EXPECT_LT(bar.gaugeRect().right(), bar.panelRect(1).right());
}

TEST(GaugeStatusBarSimple, ShowsSimpleTextAndPersistsPosition) {
    Bar bar;
    bar.setSimpleText(QStringLiteral("12 processes"));
    EXPECT_EQ(bar.simpleText(), QStringLiteral("12 processes"));
    EXPECT_TRUE(bar.gaugeRect().isEmpty());
    bar.setProperty("position", 30);
    EXPECT_EQ(bar.position(), 30);
}

} // namespace
} // namespace korvane
