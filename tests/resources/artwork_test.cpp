#include "resources/artwork.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QSize>

namespace korvane {
namespace {

using Sizes = std::vector<std::pair<int, int>>;

Sizes Squares(std::initializer_list<int> sides) {
    Sizes sizes;
    for (int side : sides) {
        sizes.emplace_back(side, side);
    }
    return sizes;
}

// The sizes drawn for a picture, smallest first.
Sizes SizesOf(Artwork picture) {
    Sizes sizes;
    for (const QSize& size : ArtworkIcon(picture).availableSizes()) {
        sizes.emplace_back(size.width(), size.height());
    }
    std::sort(sizes.begin(), sizes.end());
    return sizes;
}

// Pixels within a small distance of the colour: anti-aliased edges do not count.
int CountNear(const QImage& image, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() == 255 && std::abs(pixel.red() - colour.red()) <= 8 &&
                std::abs(pixel.green() - colour.green()) <= 8 && std::abs(pixel.blue() - colour.blue()) <= 8) {
                ++count;
            }
        }
    }
    return count;
}

QImage At32(Artwork picture) {
    return ArtworkIcon(picture).pixmap(QSize(32, 32)).toImage();
}

const QColor kNavy{0x00, 0x00, 0x80};
const QColor kRed{0xFF, 0x00, 0x00};
const QColor kYellow{0xFF, 0xFF, 0x00};
const QColor kBeige{0xE7, 0xDF, 0xAD};

TEST(ArtworkTest, EveryPictureHasTheSizesItsUsesAskFor) {
    // Notification areas ask for 16 to 24 pixels, scaled desktops for more;
    // title bars, task switchers, launchers and the icon theme's sizes up to 256.
    const Sizes tray = Squares({16, 22, 24, 32, 48, 64});
    EXPECT_EQ(SizesOf(Artwork::TrayActivated), tray);
    EXPECT_EQ(SizesOf(Artwork::TrayStopped), tray);
    EXPECT_EQ(SizesOf(Artwork::Window), Squares({16, 22, 24, 32, 48, 64, 128, 256}));
    EXPECT_EQ(SizesOf(Artwork::Warning), (Sizes{{30, 31}}));
}

TEST(ArtworkTest, WarningPictureHasThePanelsDesignSize) {
    const QPixmap warning = WarningPicture();
    ASSERT_FALSE(warning.isNull());
    EXPECT_EQ(warning.size(), QSize(30, 31));
    const QImage image = warning.toImage();
    EXPECT_GT(CountNear(image, kYellow), 50);
    EXPECT_GT(CountNear(image, kRed), 50);
    EXPECT_GT(CountNear(image, kNavy), 10);
}

TEST(ArtworkTest, EachCompiledFileHoldsTheSizeItsNameGives) {
    const QDir folder(QStringLiteral(":/korvane/artwork"));
    const QStringList files = folder.entryList(QDir::Files);
    ASSERT_EQ(files.size(), 6 + 6 + 8 + 1);
    const QRegularExpression named(QStringLiteral("^[a-z_]+_(\\d+)x(\\d+)\\.png$"));
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        const QRegularExpressionMatch match = named.match(file);
        ASSERT_TRUE(match.hasMatch());
        const QImage image(folder.filePath(file));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(match.captured(1).toInt(), match.captured(2).toInt()));
        // Drawn on a transparent ground, so the corners show the panel or tray beneath.
        EXPECT_TRUE(image.hasAlphaChannel());
        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
        EXPECT_EQ(image.pixelColor(image.width() - 1, image.height() - 1).alpha(), 0);
    }
}

TEST(ArtworkTest, TrayImagesWearTheLookOfTheActivationButton) {
    // Image 0 is the yellow/navy "Activated" look, image 1 the red/yellow "Stopped" one;
    // swapping them would tell the user the opposite of the truth.
    const QImage activated = At32(Artwork::TrayActivated);
    EXPECT_GT(CountNear(activated, kYellow), 200);
    EXPECT_GT(CountNear(activated, kNavy), 150);
    EXPECT_EQ(CountNear(activated, kRed), 0);

    const QImage stopped = At32(Artwork::TrayStopped);
    EXPECT_GT(CountNear(stopped, kRed), 200);
    EXPECT_GT(CountNear(stopped, kYellow), 50);
    EXPECT_GT(CountNear(stopped, kNavy), 100);
}

TEST(ArtworkTest, WindowIconIsTheBeigeAndNavyShield) {
    const QImage window = ArtworkIcon(Artwork::Window).pixmap(QSize(64, 64)).toImage();
    EXPECT_GT(CountNear(window, kNavy), 500);
    EXPECT_GT(CountNear(window, kBeige), 120);
}

} // namespace
} // namespace korvane
