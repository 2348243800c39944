#include "support/SimPlatformTest.h"
#include "tilewick/visuals/CVButton.h"
#include "tilewick/visuals/CardModifier.h"
#include "tilewick/visuals/Chip.h"
#include "tilewick/visuals/DropZoneDots.h"
#include "tilewick/visuals/HeadingText.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/RoundedRect.h"
#include "tilewick/visuals/ViewServices.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {

using namespace tilewick;
// Pieces drawn with the scheme of the simulated platform's appearance.
class StylePieces : public SimPlatformTest {
protected:
    ViewServices view() { return ViewServices::of(platform()); }
    Scheme scheme() { return view().scheme(); }
};

// A transparent picture of `size` points at one pixel per point, drawn by `draw`.
QImage picture(QSize size, const std::function<void(QPainter&)>& draw) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    draw(painter);
    return image;
}

TEST(ButtonStyles, OpacityFollowsEnabledAndPressed) {
    EXPECT_DOUBLE_EQ(CVPrimaryButtonStyle::opacity({false, false}), 0.45);
    EXPECT_DOUBLE_EQ(CVPrimaryButtonStyle::opacity({false, true}), 0.45);
    EXPECT_DOUBLE_EQ(CVPrimaryButtonStyle::opacity({true, true}), 0.85);
    EXPECT_DOUBLE_EQ(CVPrimaryButtonStyle::opacity({true, false}), 1.0);
    EXPECT_DOUBLE_EQ(CVSecondaryButtonStyle::opacity({true, true}), 1.0);
    EXPECT_DOUBLE_EQ(CVSecondaryButtonStyle::opacity({false, true}), 0.45);
}

TEST_F(StylePieces, ButtonsKeepTheirMinimumHeightsAndPadding) {
    const ButtonLabel label{"Open Settings"};
    const qreal text = QFontMetricsF(interFont(13, 432)).horizontalAdvance("Open Settings");
    EXPECT_EQ(CVPrimaryButtonStyle{true}.sizeFor(label), QSizeF(text + 32, 32));
    EXPECT_EQ(CVPrimaryButtonStyle{false}.sizeFor(label), QSizeF(text + 32, 40));
    EXPECT_EQ((CVSecondaryButtonStyle{true, false}.sizeFor(label)), QSizeF(text + 20, 28));
    EXPECT_EQ((CVSecondaryButtonStyle{false, true}.sizeFor(label)), QSizeF(text + 32, 40));
    // A symbol-only label: the symbol's box plus the padding.
    EXPECT_EQ((CVSecondaryButtonStyle{true, false}.sizeFor(ButtonLabel{"", "questionmark"})), QSizeF(32, 28));
}

TEST_F(StylePieces, PressingASecondaryButtonChangesOnlyItsFill) {
    const QRectF bounds(0, 0, 120, 40);
    const ButtonLabel label{"Later"};
    auto draw = [&](ButtonState state) {
        return picture({120, 40}, [&](QPainter& p) {
            CVSecondaryButtonStyle{}.paint(p, bounds, label, state, scheme());
        });
    };
    const QImage idle = draw({true, false});
    const QImage pressed = draw({true, true});
    // Inside the border, away from the label: the card white, then raised white at 0.6.
    const QPoint fill(6, 20);
    EXPECT_EQ(qAlpha(idle.pixel(fill)), 255);
    EXPECT_NEAR(qAlpha(pressed.pixel(fill)), 153, 1);
    // The border stays as it was.
    EXPECT_EQ(idle.pixel(60, 0), pressed.pixel(60, 0));
    EXPECT_EQ(QColor(idle.pixel(60, 0)).rgb(), QColor(228, 228, 238).rgb());
}

TEST_F(StylePieces, DisabledButtonsFadeAsOneGroup) {
    const QRectF bounds(0, 0, 120, 40);
    const ButtonLabel label{"Later"};
    const QImage disabled = picture({120, 40}, [&](QPainter& p) {
        CVSecondaryButtonStyle{}.paint(p, bounds, label, {false, false}, scheme());
    });
    // The border over the fill shows at 0.45 once, not the fill through a faded border.
    EXPECT_NEAR(qAlpha(disabled.pixel(60, 0)), 115, 2);
    EXPECT_NEAR(qAlpha(disabled.pixel(6, 20)), 115, 2);
}

TEST_F(StylePieces, PrimaryButtonFillsWithTheAccentGradient) {
    const QRectF bounds(0, 0, 200, 40);
    const QImage image = picture({200, 40}, [&](QPainter& p) {
        CVPrimaryButtonStyle{}.paint(p, bounds, ButtonLabel{}, {true, false}, scheme());
    });
    // Along the gradient's axis: accent at the start, magenta at the end.
    EXPECT_NEAR(QColor(image.pixel(1, 13)).red(), 109, 6);
    EXPECT_NEAR(QColor(image.pixel(198, 27)).red(), 192, 6);
    // The rounded corner is left out.
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
}

TEST_F(StylePieces, CVButtonTakesClicksOnlyInsideItsRoundedShape) {
    CVButton button(CVPrimaryButtonStyle{false}, ButtonLabel{"Open Settings"}, view());
    EXPECT_EQ(button.sizeHint().height(), 40);
    button.resize(button.sizeHint());
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(clicked.count(), 0);
    QTest::mouseClick(&button, Qt::LeftButton, {}, button.rect().center());
    EXPECT_EQ(clicked.count(), 1);
    button.setEnabled(false);
    QTest::mouseClick(&button, Qt::LeftButton, {}, button.rect().center());
    EXPECT_EQ(clicked.count(), 1);
}

TEST_F(StylePieces, ChipsShowTheirSymbolOnlyWhenGiven) {
    const qreal text = QFontMetricsF(interFont(12, 550)).horizontalAdvance("Needs Accessibility");
    const qreal line = QFontMetricsF(interFont(12, 550)).height();
    const Chip plain{"Needs Accessibility", StatusTone::warn, ""};
    const Chip withSymbol{"Needs Accessibility", StatusTone::warn, "exclamationmark.triangle"};
    EXPECT_EQ(plain.sizeHint(), QSizeF(text + 14, line + 6));
    EXPECT_EQ(withSymbol.sizeHint(), QSizeF(text + 14 + 10 + 4, line + 6));
}

TEST_F(StylePieces, ChipBorderIsTheToneTint) {
    appearance().setSystemScheme(Scheme::Light);
    const Chip chip{"OK", StatusTone::neutral, ""};
    const QSizeF size = chip.sizeHint();
    const QImage image = picture(size.toSize() + QSize(2, 2), [&](QPainter& p) {
        chip.paint(p, {0, 0}, scheme());
    });
    // The neutral border at full strength over the raised fill.
    EXPECT_EQ(QColor(image.pixel(int(size.width() / 2), 0)), QColor(228, 228, 238));
}

TEST_F(StylePieces, CardBorderShowsSelection) {
    appearance().setSystemScheme(Scheme::Light);
    const QRectF card(10, 10, 100, 60);
    auto border = [&](bool selected) {
        const QImage image = picture({120, 90}, [&](QPainter& p) {
            CardModifier modifier{12, selected};
            modifier.behind(p, card, scheme());
            modifier.over(p, card, scheme());
        });
        return QColor(image.pixel(10, 40));
    };
    EXPECT_EQ(border(true), QColor(109, 59, 238));
    EXPECT_EQ(border(false), QColor(228, 228, 238));
    EXPECT_EQ((CardModifier{12, false}.contentRect(card)), QRectF(22, 22, 76, 36));
    EXPECT_EQ((CardModifier{8, false}.cardSize({50, 20})), QSizeF(66, 36));
}

TEST_F(StylePieces, CardCastsItsShadowDownwards) {
    appearance().setSystemScheme(Scheme::Dark);
    const QImage image = picture({140, 120}, [&](QPainter& p) {
        CardModifier{12, false}.behind(p, {20, 20, 100, 60}, scheme());
    });
    const int below = qAlpha(image.pixel(70, 84));
    const int above = qAlpha(image.pixel(70, 17));
    EXPECT_GT(below, 0);
    EXPECT_GT(below, above);
}

TEST_F(StylePieces, HeadingTextIsTrackedTight) {
    const HeadingText heading{"Halves", interFont(20, 517)};
    EXPECT_EQ(heading.trackedFont().letterSpacingType(), QFont::AbsoluteSpacing);
    EXPECT_NEAR(heading.trackedFont().letterSpacing(), -0.4, 0.01); // kept in 1/64 steps
    EXPECT_LT(heading.sizeHint().width(), QFontMetricsF(interFont(20, 517)).horizontalAdvance("Halves"));
}

TEST(RoundedRects, ContinuousCornersStayInsideAndInsetShrinksTheRadius) {
    const RoundedRect shape{{0, 0, 100, 60}, 12, CornerStyle::Continuous};
    EXPECT_EQ(shape.path().boundingRect(), QRectF(0, 0, 100, 60));
    EXPECT_FALSE(shape.path().contains(QPointF(1, 1)));
    EXPECT_TRUE(shape.path().contains(QPointF(50, 1)));
    const RoundedRect inset = shape.inset(2);
    EXPECT_EQ(inset.rect, QRectF(2, 2, 96, 56));
    EXPECT_EQ(inset.radius, 10);
    // A radius larger than the shape allows becomes a capsule, never a loop.
    EXPECT_EQ((RoundedRect{{0, 0, 40, 10}, 30}.path().boundingRect()), QRectF(0, 0, 40, 10));
    EXPECT_TRUE((RoundedRect{{0, 0, 0, 10}, 4}.path().isEmpty()));
}

int dotCount(const QPainterPath& path) {
    int moves = 0;
    for (int i = 0; i < path.elementCount(); ++i)
        moves += path.elementAt(i).isMoveTo();
    return moves;
}

TEST(DropZoneDotsShape, SpacesDotsEvenlyAboutSixApart) {
    const DropZoneDots dots{10, 2, CornerStyle::Continuous};
    // Inner 98 × 48 with radius 9: P = 292 + (2π − 8) · 9.
    const qreal perimeter = 2 * (98 + 48) + (2 * M_PI - 8) * 9;
    const auto spacing = dots.spacing({0, 0, 100, 50});
    EXPECT_EQ(spacing.count, 46);
    EXPECT_NEAR(spacing.spacing, perimeter / 46, 1e-9);
    const QPainterPath path = dots.path({0, 0, 100, 50});
    EXPECT_EQ(dotCount(path), 46);
    EXPECT_TRUE(QRectF(0, 0, 100, 50).contains(path.boundingRect()));
}

TEST(DropZoneDotsShape, SmallRadiusGivesSquareCorners) {
    const DropZoneDots dots{0.5, 2, CornerStyle::Continuous};
    const QPainterPath path = dots.path({0, 0, 62, 32});
    // Inner 60 × 30 from (1, 1): 180 long, 30 dots, one on the corner itself.
    EXPECT_EQ(dotCount(path), 30);
    EXPECT_TRUE(path.contains(QPointF(1, 1)));
}

TEST(DropZoneDotsShape, ShortOutlineGetsOneDotAtItsStart) {
    const DropZoneDots dots{0, 1, CornerStyle::Circular};
    // Inner 2 × 1.5: 7 long, which rounds to one dot.
    const QPainterPath path = dots.path({0, 0, 3, 2.5});
    EXPECT_EQ(dots.spacing({0, 0, 3, 2.5}).count, 1);
    EXPECT_EQ(dotCount(path), 1);
    EXPECT_EQ(path.boundingRect().center(), QPointF(0.5, 0.5));
}

TEST(DropZoneDotsShape, EmptyOrTooSmallRectangleDrawsNothing) {
    const DropZoneDots dots{6, 4, CornerStyle::Continuous};
    EXPECT_TRUE(dots.path({}).isEmpty());
    EXPECT_TRUE(dots.path({0, 0, 4, 40}).isEmpty()); // no width left inside the border
    EXPECT_TRUE(dots.path({0, 0, 3, 3}).isEmpty());
    EXPECT_EQ(dots.spacing({0, 0, 3, 3}).count, 0);
    // A radius far beyond the rectangle still gives a sound outline.
    const DropZoneDots round{500, 2, CornerStyle::Circular};
    const auto spacing = round.spacing({0, 0, 40, 20});
    EXPECT_GT(spacing.count, 0);
    EXPECT_TRUE(std::isfinite(spacing.spacing));
    EXPECT_GT(spacing.spacing, 0);
}

} // namespace
