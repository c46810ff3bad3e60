#include "widgets/encarta_button.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "tests/widgets/paint_counter.h"

namespace korvane {
namespace {

using Look = TEncartaButton::Look;

const QColor Light(248, 244, 237);
const QColor Dark(79, 79, 79);
const QColor Face(231, 223, 173);
const QColor Border(0, 0, 128);

class EncartaButtonTest : public testing::Test {
protected:
    void SetUp() override {
        button.setColor(Face);
        button.setColorBorder(Border);
        button.move(40, 40);
        button.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    }

    QColor pixel(int x, int y) { return button.grab().toImage().pixelColor(x, y); }

    void enter() {
        QEnterEvent event(QPointF(5, 5), QPointF(5, 5), QPointF(button.mapToGlobal(QPoint(5, 5))));
        QCoreApplication::sendEvent(&button, &event);
    }
    void leave() {
        QEvent event(QEvent::Leave);
        QCoreApplication::sendEvent(&button, &event);
    }

    // The bounding box of every interior pixel that is not the face colour.
    QRect inkBox(const QColor& face) {
        const QImage image = button.grab().toImage();
        QRect box;
        for (int y = 1; y < image.height() - 1; ++y) {
            for (int x = 1; x < image.width() - 1; ++x) {
                if (image.pixelColor(x, y) != face) {
                    box |= QRect(x, y, 1, 1);
                }
            }
        }
        return box;
    }

    TEncartaButton button;
};

TEST(EncartaButtonLayout, CentresByTruncatingHalves) {
    const auto at = [](QSize control, QSize caption, Look look = Look::Normal) {
        return TEncartaButton::layoutContent(control, caption, {}, true, look).captionPos;
    };
    EXPECT_EQ(at({45, 22}, {20, 13}), QPoint(12, 5));
    EXPECT_EQ(at({44, 21}, {21, 13}), QPoint(12, 4));
    EXPECT_EQ(at({45, 22}, {20, 13}, Look::Pressed), QPoint(13, 6));
    // A caption wider than the button starts left of it.
    EXPECT_EQ(at({20, 22}, {31, 13}), QPoint(-5, 5));

    const auto glyphOnly = TEncartaButton::layoutContent({86, 22}, {30, 13}, {16, 15}, false, Look::Normal);
    EXPECT_TRUE(glyphOnly.drawsGlyph);
    EXPECT_FALSE(glyphOnly.drawsCaption);
    EXPECT_EQ(glyphOnly.glyphRect, QRect(35, 4, 16, 15));

    // With a caption the glyph is stretched by one column to the left.
    const auto both = TEncartaButton::layoutContent({86, 22}, {30, 13}, {16, 15}, true, Look::Pressed);
    EXPECT_EQ(both.glyphRect, QRect(QPoint(20, 5), QPoint(36, 19)));
    EXPECT_EQ(both.captionPos, QPoint(41, 6));
}

TEST_F(EncartaButtonTest, DefaultsAndCaptionFollowsNameUntilGiven) {
    TEncartaButton fresh;
    EXPECT_EQ(fresh.size(), QSize(86, 22));
    EXPECT_EQ(fresh.colorBorder(), QColor(153, 143, 130));
    EXPECT_EQ(fresh.colorOver(), QColor(216, 190, 10));
    EXPECT_EQ(fresh.colorDown(), QColor(216, 190, 10));
    EXPECT_EQ(fresh.font().family(), QStringLiteral("Arial"));
    EXPECT_TRUE(fresh.isButtonEnabled());
    EXPECT_EQ(fresh.focusPolicy(), Qt::NoFocus);

    fresh.setObjectName(QStringLiteral("EncartaButton5"));
    EXPECT_EQ(fresh.caption(), QStringLiteral("EncartaButton5"));
    fresh.setCaption(QStringLiteral("Quit"));
    fresh.setObjectName(QStringLiteral("EncartaButton6"));
    EXPECT_EQ(fresh.caption(), QStringLiteral("Quit"));
}

TEST_F(EncartaButtonTest, NormalLookIsFaceAndFrameOnly) {
    button.setCaption(QString());
    const QImage image = button.grab().toImage();
    const int w = button.width();
    const int h = button.height();
    for (int x = 0; x < w; ++x) {
        EXPECT_EQ(image.pixelColor(x, 0), Border) << x;
        EXPECT_EQ(image.pixelColor(x, h - 1), Border) << x;
    }
    for (int y = 0; y < h; ++y) {
        EXPECT_EQ(image.pixelColor(0, y), Border) << y;
        EXPECT_EQ(image.pixelColor(w - 1, y), Border) << y;
    }
    EXPECT_TRUE(inkBox(Face).isNull());
}

TEST_F(EncartaButtonTest, HoverAndPressedBevelsEndWhereTheyShould) {
    button.setCaption(QString());
    const int w = button.width();
    const int h = button.height();

    enter();
    EXPECT_EQ(button.look(), Look::Hover);
    EXPECT_EQ(pixel(5, 5), QColor(216, 190, 10));
    EXPECT_EQ(pixel(0, 1), Light);
    EXPECT_EQ(pixel(0, h - 2), Light);
    EXPECT_EQ(pixel(0, h - 1), Dark);
    EXPECT_EQ(pixel(0, 0), Light);
    EXPECT_EQ(pixel(w - 2, 0), Light);
    EXPECT_EQ(pixel(w - 1, 0), Dark);
    EXPECT_EQ(pixel(w - 1, h - 1), Dark);
    EXPECT_EQ(pixel(1, 1), QColor(216, 190, 10));

    button.setColorDown(QColor(10, 20, 30));
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(button.look(), Look::Pressed);
    EXPECT_EQ(pixel(5, 5), QColor(10, 20, 30));
    EXPECT_EQ(pixel(0, 0), Dark);
    EXPECT_EQ(pixel(0, h - 2), Dark);
    EXPECT_EQ(pixel(0, h - 1), Light);
    EXPECT_EQ(pixel(w - 2, 0), Dark);
    EXPECT_EQ(pixel(w - 1, 0), Light);
    EXPECT_EQ(pixel(w - 1, h - 1), Light);
    EXPECT_EQ(pixel(w / 2, h - 1), Light);

    leave();
    EXPECT_EQ(pixel(0, 0), Border);
    EXPECT_EQ(pixel(5, 5), Face);
}

TEST_F(EncartaButtonTest, PaintedCaptionAgreesWithLayoutAndMovesWhenPressed) {
    button.resize(45, 22);
    button.setCaption(QStringLiteral("HIH"));
    const QFontMetrics metrics(button.font());
    const QSize captionSize(metrics.horizontalAdvance(button.caption()), metrics.height());
    const auto layout = TEncartaButton::layoutContent(button.size(), captionSize, {}, true, Look::Normal);

    const QRect normal = inkBox(Face);
    ASSERT_FALSE(normal.isNull());
    EXPECT_TRUE(QRect(layout.captionPos, captionSize).contains(normal)) << normal.x() << "," << normal.y();

    button.setColorOver(Face);
    button.setColorDown(Face);
    enter();
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(inkBox(Face), normal.translated(1, 1));
}

TEST_F(EncartaButtonTest, GlyphKeysOutItsTopLeftColour) {
    QPixmap glyph(8, 8);
    glyph.fill(Qt::magenta);
    {
        QPainter painter(&glyph);
        painter.fillRect(2, 2, 4, 4, Qt::blue);
    }
    button.setShowCaption(false);
    button.setGlyph(glyph);
    const QRect at = TEncartaButton::layoutContent(button.size(), {}, glyph.size(), false, Look::Normal).glyphRect;
    EXPECT_EQ(pixel(at.left(), at.top()), Face);
    EXPECT_EQ(pixel(at.left() + 2, at.top() + 2), QColor(Qt::blue));
    EXPECT_EQ(pixel(at.left() + 5, at.top() + 5), QColor(Qt::blue));
    EXPECT_EQ(pixel(at.left() + 6, at.top() + 6), Face);
}

TEST_F(EncartaButtonTest, LampSettersRedrawAtOnceInNormalLook) {
    test::PaintCounter paints(&button);
    enter();
    ASSERT_EQ(button.look(), Look::Hover);
    int before = paints.count;
    button.setColor(Qt::red);
    EXPECT_EQ(paints.count, before + 1);
    EXPECT_EQ(button.look(), Look::Normal);
    EXPECT_EQ(pixel(5, 5), QColor(Qt::red));
    EXPECT_EQ(pixel(0, 0), Border);

    before = paints.count;

    button.setCaption(QStringLiteral("Stopped"));
    button.setColorBorder(Qt::green);
    button.setShowCaption(false);
    EXPECT_EQ(paints.count, before + 3);

    // A glyph waits for the event loop.
    button.setGlyph(QPixmap(4, 4));
    EXPECT_EQ(paints.count, before + 3);
    QCoreApplication::processEvents();
    EXPECT_EQ(paints.count, before + 4);
}

TEST_F(EncartaButtonTest, ClickShowsHoverPressedNormalThenHoverAgain) {
    QSignalSpy downs(&button, &TEncartaButton::mouseDown);
    QSignalSpy ups(&button, &TEncartaButton::mouseUp);
    QList<Look> looksSeen;
    QObject::connect(&button, &TEncartaButton::mouseDown, [&] { looksSeen.append(button.look()); });
    QObject::connect(&button, &TEncartaButton::clicked, [&] { looksSeen.append(button.look()); });
    QObject::connect(&button, &TEncartaButton::mouseUp, [&] { looksSeen.append(button.look()); });

    QCursor::setPos(button.mapToGlobal(QPoint(5, 5)));
    enter();
    QTest::mousePress(&button, Qt::LeftButton, Qt::ShiftModifier, QPoint(5, 6));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 6));
    EXPECT_EQ(looksSeen, (QList<Look>{Look::Hover, Look::Normal, Look::Normal}));
    EXPECT_EQ(button.look(), Look::Hover);
    ASSERT_EQ(downs.size(), 1);
    EXPECT_EQ(downs.at(0).at(1).value<Qt::KeyboardModifiers>(), Qt::ShiftModifier);
    EXPECT_EQ(downs.at(0).at(2).toPoint(), QPoint(5, 6));
    EXPECT_EQ(ups.size(), 1);

    // The pointer went elsewhere meanwhile: the normal look stays.
    QCursor::setPos(button.mapToGlobal(QPoint(300, 300)));
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(button.look(), Look::Normal);

    // Other buttons are not the button's business.
    QTest::mousePress(&button, Qt::RightButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&button, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(downs.size(), 2);
    EXPECT_EQ(ups.size(), 2);
}

TEST_F(EncartaButtonTest, ReleaseOutsideGivesMouseUpButNoClick) {
    QSignalSpy clicks(&button, &TEncartaButton::clicked);
    QSignalSpy ups(&button, &TEncartaButton::mouseUp);
    QCursor::setPos(button.mapToGlobal(QPoint(200, 5)));
    enter();
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(200, 5));
    EXPECT_EQ(clicks.size(), 0);
    EXPECT_EQ(ups.size(), 1);
    EXPECT_EQ(button.look(), Look::Pressed);
    leave();
    EXPECT_EQ(button.look(), Look::Normal);
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
    EXPECT_EQ(button.look(), Look::Normal);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(button.look(), Look::Normal);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(button.look(), Look::Normal);
    EXPECT_EQ(clicks.size() + downs.size() + ups.size(), 0);
    EXPECT_EQ(button.grab().toImage(), enabledLook);
}

} // namespace
} // namespace korvane
