#include "widgets/encarta_button.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QEnterEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "tests/widgets/paint_counter.h"

namespace korvane {
namespace {

using Look = TEncartaButton::Look;
const QColor Light(248, 244, 237), Dark(79, 79, 79), Face(231, 223, 173), Border(0, 0, 128);

class EncartaButtonTest : public testing::Test {
protected:
    void SetUp() override {
        button.setColor(Face);
        button.setColorBorder(Border);
        button.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    }
    QColor pixel(int x, int y) { return button.grab().toImage().pixelColor(x, y); }
    void enter() {
        QEnterEvent event(QPointF(5, 5), QPointF(5, 5), QPointF(button.mapToGlobal(QPoint(5, 5))));
        QCoreApplication::sendEvent(&button, &event);
    }
    void click(QPoint releaseAt = {5, 5}) {
        QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(&button, Qt::LeftButton, {}, releaseAt);
    }
    // Bounding box of the interior pixels that differ from the face.
    QRect inkBox(const QColor& face) {
        const QImage image = button.grab().toImage();
        QRect box;
        for (int y = 1; y < image.height() - 1; ++y) {
            for (int x = 1; x < image.width() - 1; ++x) {
                box |= image.pixelColor(x, y) != face ? QRect(x, y, 1, 1) : QRect();
            }
        }
        return box;
    }
    TEncartaButton button;
};

TEST(EncartaButtonLayout, CentresByTruncatingHalves) {
    const auto layout = [](QSize control, QSize caption, QSize glyph, bool showCaption, Look look) {
        return TEncartaButton::layoutContent(control, caption, glyph, showCaption, look);
    };
    EXPECT_EQ(layout({45, 22}, {20, 13}, {}, true, Look::Normal).captionPos, QPoint(12, 5));
    EXPECT_EQ(layout({44, 21}, {21, 13}, {}, true, Look::Normal).captionPos, QPoint(12, 4));
    EXPECT_EQ(layout({45, 22}, {20, 13}, {}, true, Look::Pressed).captionPos, QPoint(13, 6));
    EXPECT_EQ(layout({86, 22}, {30, 13}, {16, 15}, false, Look::Normal).glyphRect, QRect(35, 4, 16, 15));
    // Beside a caption the glyph is stretched by one column to the left.
    const auto both = layout({86, 22}, {30, 13}, {16, 15}, true, Look::Pressed);
    EXPECT_EQ(both.glyphRect, QRect(QPoint(20, 5), QPoint(36, 19)));
    EXPECT_EQ(both.captionPos, QPoint(41, 6));
}

TEST(EncartaButtonCaption, FollowsTheNameUntilGiven) {
    TEncartaButton fresh;
    fresh.setObjectName(QStringLiteral("EncartaButton5"));
    EXPECT_EQ(fresh.caption(), QStringLiteral("EncartaButton5"));
    fresh.setCaption(QStringLiteral("Quit"));
    fresh.setObjectName(QStringLiteral("EncartaButton6"));
    EXPECT_EQ(fresh.caption(), QStringLiteral("Quit"));
}

TEST_F(EncartaButtonTest, LooksDrawFrameAndBevelEnds) {
    button.setCaption(QString());
    const int w = button.width(), h = button.height();
    EXPECT_TRUE(inkBox(Face).isNull());
    for (QPoint p : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1), QPoint(w / 2, 0)}) {
        EXPECT_EQ(pixel(p.x(), p.y()), Border);
    }
    enter();
    EXPECT_EQ(pixel(1, 1), QColor(216, 190, 10));
    for (QPoint p : {QPoint(0, 0), QPoint(0, 1), QPoint(0, h - 2), QPoint(w - 2, 0)}) {
        EXPECT_EQ(pixel(p.x(), p.y()), Light);
    }
    for (QPoint p : {QPoint(0, h - 1), QPoint(w - 1, 0), QPoint(w - 1, h - 1)}) {
        EXPECT_EQ(pixel(p.x(), p.y()), Dark);
    }
    button.setColorDown(QColor(10, 20, 30));
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(pixel(1, 1), QColor(10, 20, 30));
    for (QPoint p : {QPoint(0, 0), QPoint(0, h - 2), QPoint(w - 2, 0)}) {
        EXPECT_EQ(pixel(p.x(), p.y()), Dark);
    }
    for (QPoint p : {QPoint(0, h - 1), QPoint(w - 1, 0), QPoint(w - 1, h - 1)}) {
        EXPECT_EQ(pixel(p.x(), p.y()), Light);
    }
}

TEST_F(EncartaButtonTest, PaintedCaptionAndGlyphFollowTheLayout) {
    button.resize(45, 22);
    button.setCaption(QStringLiteral("HIH"));
    const QFontMetrics metrics(button.font());
    const QSize captionSize(metrics.horizontalAdvance(button.caption()), metrics.height());
    const QRect normal = inkBox(Face);
    ASSERT_FALSE(normal.isNull());
    const auto layout = TEncartaButton::layoutContent(button.size(), captionSize, {}, true, Look::Normal);
    EXPECT_TRUE(QRect(layout.captionPos, captionSize).contains(normal));
    button.setColorOver(Face);
    button.setColorDown(Face);
    enter();
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(inkBox(Face), normal.translated(1, 1));

    QPixmap glyph(8, 8);
    glyph.fill(Qt::magenta);
    QPainter(&glyph).fillRect(2, 2, 4, 4, Qt::blue);
    button.setShowCaption(false);
    button.setGlyph(glyph);
    // Pixels of the top-left colour let the face show through.
    EXPECT_EQ(
        inkBox(Face),
        TEncartaButton::layoutContent(button.size(), {}, {8, 8}, false, Look::Normal).glyphRect.adjusted(2, 2, -2, -2));
}

TEST_F(EncartaButtonTest, LampSettersRedrawAtOnceInNormalLook) {
    test::PaintCounter paints(&button);
    enter();
    button.setColor(Qt::red);
    EXPECT_EQ(button.look(), Look::Normal);
    EXPECT_EQ(pixel(1, 1), QColor(Qt::red));
    const int before = paints.count;
    button.setCaption(QStringLiteral("Stopped"));
    button.setColorBorder(Qt::green);
    button.setShowCaption(false);
    button.setColor(Qt::yellow);
    EXPECT_EQ(paints.count, before + 4);
    button.setGlyph(QPixmap(4, 4));
    EXPECT_EQ(paints.count, before + 4);
    QCoreApplication::processEvents();
    EXPECT_EQ(paints.count, before + 5);
}

TEST_F(EncartaButtonTest, ClickSequenceAndReleaseTests) {
    QSignalSpy downs(&button, &TEncartaButton::mouseDown);
    QSignalSpy ups(&button, &TEncartaButton::mouseUp);
    QSignalSpy clicks(&button, &TEncartaButton::clicked);
    QList<Look> seen;
    QObject::connect(&button, &TEncartaButton::clicked, [&] { seen.append(button.look()); });
    QObject::connect(&button, &TEncartaButton::mouseDown, [&] { seen.append(button.look()); });
    QObject::connect(&button, &TEncartaButton::mouseUp, [&] { seen.append(button.look()); });

    QCursor::setPos(button.mapToGlobal(QPoint(5, 5)));
    enter();
    click();
    EXPECT_EQ(seen, (QList<Look>{Look::Hover, Look::Normal, Look::Normal}));
    EXPECT_EQ(button.look(), Look::Hover);

    // Pointer gone meanwhile: no hover look afterwards.
    QCursor::setPos(button.mapToGlobal(QPoint(300, 300)));
    click();
    EXPECT_EQ(button.look(), Look::Normal);
    // Released outside: no click, but the button still hears the release.
    click({200, 5});
    EXPECT_EQ(button.look(), Look::Pressed);
    EXPECT_EQ(clicks.size(), 2);
    EXPECT_EQ(ups.size(), 3);
    QTest::mouseClick(&button, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(downs.size(), 3);
}

TEST_F(EncartaButtonTest, DisabledButtonKeepsItsLookAndStaysSilent) {
    button.setCaption(QStringLiteral("Log"));
    const QImage enabledLook = button.grab().toImage();
    button.setButtonEnabled(false);
    QSignalSpy clicks(&button, &TEncartaButton::clicked);
    QSignalSpy downs(&button, &TEncartaButton::mouseDown);
    QSignalSpy ups(&button, &TEncartaButton::mouseUp);
    QCursor::setPos(button.mapToGlobal(QPoint(5, 5)));
    enter();
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(button.look(), Look::Normal);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks.size() + downs.size() + ups.size(), 0);
    EXPECT_EQ(button.grab().toImage(), enabledLook);
}

} // namespace
} // namespace korvane
