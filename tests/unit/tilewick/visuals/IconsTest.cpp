#include "support/Golden.h"
#include "support/SimPlatformTest.h"
#include "tilewick/visuals/IconSheets.h"
#include "tilewick/visuals/LightTile.h"
#include "tilewick/visuals/QuarterIcon.h"
#include "tilewick/visuals/QuarterMenuBar.h"

#include <QFileInfo>
#include <QPainter>
#include <QTemporaryDir>

namespace {

using namespace tilewick;
using Icons = SimPlatformTest;

TEST(QuarterIcons, MeasuresFollowTheInnerSide) {
    const QuarterIcon::Measures m = QuarterIcon::measures(1024);
    EXPECT_DOUBLE_EQ(m.t, 896);
    EXPECT_NEAR(m.width, 698.88, 1e-9);
    EXPECT_NEAR(m.height, 556.63, 0.005);
    EXPECT_NEAR(m.outline, 37.632, 1e-9);
    EXPECT_NEAR(m.inset, 51.968, 1e-9);
    EXPECT_NEAR(m.outerRadius, 0.17 * m.height / 0.9, 1e-9);
    // At tiny sizes the inner corner keeps a radius of at least one point.
    EXPECT_DOUBLE_EQ(QuarterIcon::measures(16).innerRadius, 1.0);
}

TEST(QuarterIcons, TileCentresItsInnerSquare) {
    const LightTile tile{1024, Qt::white, {}};
    EXPECT_EQ(tile.innerRect({0, 0}), QRectF(64, 64, 896, 896));
}

TEST(QuarterIcons, LightAndDarkTilesLightTheTopLeftQuarter) {
    for (bool dark : {false, true}) {
        const QImage image = QuarterIcon{256, dark}.image();
        ASSERT_EQ(image.size(), QSize(256, 256));
        EXPECT_EQ(qAlpha(image.pixel(2, 2)), 0); // outside the tile
        const Rgb tile = dark ? QuarterIcon::kTileDark : QuarterIcon::kTileLight;
        // The lower right quarter of the screen is the tile colour; the upper left is lit.
        EXPECT_EQ(QColor(image.pixel(160, 160)), tile.color());
        const QColor lit(image.pixel(80, 80));
        EXPECT_GT(lit.blue(), 200);
        EXPECT_LT(lit.green(), 80);
    }
}

TEST(QuarterIcons, ApplicationIconComesInTheDesktopSizes) {
    const QList<QSize> sizes = applicationIcon().availableSizes();
    for (int side : {16, 32, 48, 128, 256, 512})
        EXPECT_TRUE(sizes.contains(QSize(side, side))) << side;
}

// Title bars and task bars pick the size they need from the window's icon: each size they ask for
// is a drawing made at that size, never another size scaled.
TEST(QuarterIcons, ApplicationIconHoldsADrawingAtEverySizeTitleAndTaskBarsAskFor) {
    const QIcon icon = applicationIcon();
    for (int side : {16, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(side);
        EXPECT_TRUE(icon.availableSizes().contains(QSize(side, side)));
        const QImage drawn = QuarterIcon{qreal(side), false}.image().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(icon.pixmap(QSize(side, side)).toImage().convertToFormat(QImage::Format_ARGB32), drawn);
    }
}

// The icon is drawn when asked and holds no pictures, yet gives what an icon holding the eight
// drawings gives: a size between two is the next larger drawing scaled down, a larger one the
// largest drawing, and a painter at twice the pixels takes the drawing for its pixels.
TEST(QuarterIcons, ApplicationIconGivesWhatAnIconOfItsDrawingsGives) {
    QIcon pictures;
    for (int side : {16, 24, 32, 48, 64, 128, 256, 512})
        pictures.addPixmap(QPixmap::fromImage(QuarterIcon{qreal(side), false}.image()));
    const QIcon icon = applicationIcon();
    const auto argb = [](const QPixmap& pixmap) {
        return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    };
    for (const QSize size : {QSize(40, 40), QSize(100, 60), QSize(600, 600), QSize(10, 10)}) {
        SCOPED_TRACE(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()).toStdString());
        EXPECT_EQ(icon.actualSize(size), pictures.actualSize(size));
        EXPECT_EQ(argb(icon.pixmap(size, 1.0)), argb(pictures.pixmap(size, 1.0)));
        EXPECT_EQ(argb(icon.pixmap(size, 1.0, QIcon::Disabled)),
                  argb(pictures.pixmap(size, 1.0, QIcon::Disabled)));
    }
    for (qreal scale : {1.0, 2.0}) {
        SCOPED_TRACE(scale);
        const auto painted = [scale](const QIcon& painting) {
            QImage image(QSize(48, 48) * scale, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(scale);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painting.paint(&painter, QRect(0, 0, 48, 48));
            return image;
        };
        EXPECT_EQ(painted(icon), painted(pictures));
    }
}

TEST(MenuBarIcons, DrawingFitsTheTemplateFrame) {
    const QSizeF size = QuarterMenuBar{17}.frameSize();
    EXPECT_NEAR(size.width(), 19.21, 1e-9);
    EXPECT_NEAR(size.height(), 15.3, 1e-9);
    EXPECT_TRUE(QRectF(0, 0, 19.5, 16).contains(QRectF(QPointF(0.145, 0.35), size)));
}

TEST(MenuBarIcons, TemplateIsBlackOnClearAndMadeOnce) {
    const QImage& image = menuBarImage();
    EXPECT_EQ(&menuBarImage(), &image);
    EXPECT_EQ(image.size(), QSize(39, 32));
    EXPECT_DOUBLE_EQ(image.devicePixelRatio(), 2.0);
    EXPECT_EQ(image.text("Description"), "Tilewick");
    int inked = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) > 0) {
                ++inked;
                EXPECT_EQ(qRed(p) | qGreen(p) | qBlue(p), 0);
            }
        }
    EXPECT_GT(inked, 200);
    // Tinted for a dark panel, the shape stays and only the colour changes.
    const QImage white = tintedTemplate(image, Qt::white);
    EXPECT_EQ(qAlpha(white.pixel(10, 10)), qAlpha(image.pixel(10, 10)));
    EXPECT_EQ(QColor(white.pixel(10, 10)).rgb(), image.pixel(10, 10) ? QColor(Qt::white).rgb() : 0u);
}

TEST_F(Icons, IconCheckSheetMatchesItsGolden) {
    const QImage sheet = renderSheet(iconCheckSheet());
    // 30 padding, icons 512 … 16 with five gaps of 30, the strips; at two pixels per point.
    EXPECT_EQ(sheet.devicePixelRatio(), 2.0);
    EXPECT_EQ(QColor(sheet.pixel(4, 4)), kSheetBackground.color());
    EXPECT_TRUE(matchesGolden(sheet, "visuals/icon-check"));
}

TEST_F(Icons, ConceptSheetMatchesItsGolden) {
    const QImage sheet = renderSheet(QuarterSheet{}.block());
    EXPECT_EQ(QColor(sheet.pixel(4, 4)), kSheetBackground.color());
    EXPECT_TRUE(matchesGolden(sheet, "visuals/quarter-concept"));
}

TEST_F(Icons, RenderersWritePngFilesAndLeaveNothingWhereTheyCannot) {
    QTemporaryDir folder;
    const QString check = folder.filePath("check.png");
    const QString sheet = folder.filePath("concept.png");
    EXPECT_TRUE(renderIconCheck(check));
    EXPECT_TRUE(renderQuarterConcept(sheet));
    EXPECT_EQ(QImage(check).size(), renderSheet(iconCheckSheet()).size());
    EXPECT_EQ(QImage(sheet).size(), renderSheet(QuarterSheet{}.block()).size());

    const QString nowhere = folder.filePath("missing/folder/check.png");
    EXPECT_FALSE(renderIconCheck(nowhere));
    EXPECT_FALSE(renderQuarterConcept(nowhere));
    EXPECT_FALSE(QFileInfo::exists(nowhere));
}

} // namespace
