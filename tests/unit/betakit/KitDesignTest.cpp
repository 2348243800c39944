#include "support/SimPlatformTest.h"

#include "betakit/BKButton.h"
#include "betakit/BKChoice.h"
#include "betakit/BetaFeedbackButton.h"
#include "betakit/VeldorBeta.h"

#include <QFontMetricsF>
#include <QPainter>

namespace {

using namespace betakit;

TEST(KitPalette, PairsResolvePerSchemeAndFixedColoursStay) {
    struct Case {
        BKColor color;
        QColor dark, light;
    };
    const Case cases[] = {
        {bkBackground, QColor("#0D0D12"), QColor("#F7F7FB")},
        {bkSurface, QColor("#16161F"), QColor("#FFFFFF")},
        {bkField, QColor("#1F1F2A"), QColor("#FFFFFF")},
        {bkLine, QColor("#2A2A3A"), QColor("#E4E4EE")},
        {bkText, QColor("#ECECF4"), QColor("#1C1C28")},
        {bkMuted, QColor("#9C9CB0"), QColor("#63637A")},
        {bkAccent, QColor("#8B5CF6"), QColor("#6D3BEE")},
        {bkAccentSoft, QColor("#221A38"), QColor("#F1ECFE")},
        {bkGood, QColor("#53C78C"), QColor("#53C78C")},
        {bkBad, QColor("#D85F72"), QColor("#D85F72")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.color.resolve(Scheme::Dark), c.dark) << c.dark.name().toStdString();
        EXPECT_EQ(c.color.resolve(Scheme::Light), c.light) << c.light.name().toStdString();
    }
    const QLinearGradient gradient = bkAccentGradient({0, 0, 100, 50});
    EXPECT_EQ(gradient.start(), QPointF(0, 16));
    EXPECT_EQ(gradient.finalStop(), QPointF(100, 34));
    EXPECT_EQ(gradient.stops(), (QGradientStops{{0, QColor("#6D3BEE")}, {1, QColor("#C026D5")}}));
}

TEST(KitFont, WithoutTheHostsFontsTheSystemFontTakesTheWeightsBucket) {
    struct Case {
        int weight;
        QFont::Weight bucket;
    };
    const Case cases[] = {{399, QFont::Light},  {400, QFont::Normal},   {432, QFont::Normal},
                          {599, QFont::Medium}, {600, QFont::DemiBold}, {750, QFont::DemiBold}};
    for (const Case& c : cases) {
        const QFont font = bkFont(13, c.weight);
        EXPECT_FALSE(font.family().startsWith("Inter W")) << c.weight;
        EXPECT_EQ(font.weight(), c.bucket) << c.weight;
        EXPECT_DOUBLE_EQ(font.pointSizeF(), 13 * 0.75);
    }
}

// The kit's pieces as pictures, one pixel per point.
QImage picture(QSize size, const std::function<void(QPainter&)>& draw) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    draw(painter);
    return image;
}

TEST(KitButtons, SizesOpacitiesAndFills) {
    const ButtonLabel label{"Send"};
    const qreal text = QFontMetricsF(bkButtonFont()).horizontalAdvance("Send");
    EXPECT_EQ(BKPrimaryButtonStyle{}.sizeFor(label), QSizeF(text + 32, 32));
    EXPECT_EQ(BKSecondaryButtonStyle{true}.sizeFor(label), QSizeF(text + 20, 28));
    EXPECT_EQ(BKSecondaryButtonStyle{false}.sizeFor(label), QSizeF(text + 32, 32));
    EXPECT_DOUBLE_EQ(BKPrimaryButtonStyle::opacity({false, true}), 0.45);
    EXPECT_DOUBLE_EQ(BKPrimaryButtonStyle::opacity({true, true}), 0.85);
    EXPECT_DOUBLE_EQ(BKSecondaryButtonStyle::opacity({true, true}), 1.0);

    const QRectF bounds(0, 0, 80, 32);
    auto primary = [&](ButtonState state) {
        return picture({80, 32}, [&](QPainter& p) {
            BKPrimaryButtonStyle{}.paint(p, bounds, {}, state, Scheme::Light);
        });
    };
    // Disabled shows the gradient at 0.45, pressed or not.
    EXPECT_NEAR(qAlpha(primary({false, false}).pixel(40, 16)), 115, 2);
    EXPECT_EQ(primary({false, false}).pixel(40, 16), primary({false, true}).pixel(40, 16));

    auto secondary = [&](ButtonState state) {
        return picture({80, 32}, [&](QPainter& p) {
            BKSecondaryButtonStyle{}.paint(p, bounds, {}, state, Scheme::Dark);
        });
    };
    // Pressed: the field colour at 0.6 instead of the surface; the line stays.
    EXPECT_EQ(QColor(secondary({true, false}).pixel(6, 16)), QColor("#16161F"));
    EXPECT_NEAR(qAlpha(secondary({true, true}).pixel(6, 16)), 153, 1);
    EXPECT_EQ(secondary({true, false}).pixel(40, 0), secondary({true, true}).pixel(40, 0));
    EXPECT_EQ(QColor(secondary({true, false}).pixel(40, 0)), QColor("#2A2A3A"));
}

using KitWidgets = SimPlatformTest;

TEST_F(KitWidgets, ChoiceLooksSelectedAndSizesWithoutASymbol) {
    const qreal text = QFontMetricsF(bkFont(13, 432)).horizontalAdvance("Idea");
    EXPECT_EQ(BKChoice::sizeFor("Idea", {}), QSizeF(text + 24, 30));
    EXPECT_EQ(BKChoice::sizeFor("Idea", "lightbulb"), QSizeF(text + 24 + 12 + 6, 30));
    auto draw = [](bool selected) {
        return picture({80, 30}, [&](QPainter& p) {
            BKChoice::paint(p, {0, 0, 80, 30}, {}, {}, selected, Scheme::Light);
        });
    };
    EXPECT_EQ(QColor(draw(true).pixel(40, 0)), QColor("#6D3BEE"));
    EXPECT_EQ(QColor(draw(true).pixel(40, 15)), QColor("#F1ECFE"));
    EXPECT_EQ(QColor(draw(false).pixel(40, 0)), QColor("#E4E4EE"));
    EXPECT_EQ(QColor(draw(false).pixel(40, 15)), QColor("#FFFFFF"));

    BKChoice choice("Idea", {}, {});
    choice.click();
    EXPECT_FALSE(choice.selected()); // the caller decides
    choice.setSelected(true);
    EXPECT_TRUE(choice.isChecked());
}

TEST_F(KitWidgets, FeedbackButtonOpensAProblemReportOnceTheKitIsStarted) {
    std::optional<BetaFeedback> shown;
    VeldorBeta::setParts(
        {.showFeedbackWindow = [&](const BetaConfiguration&, const BetaFeedback& f) { shown = f; }});
    // Before start it shows, enabled, and opens nothing.
    BetaFeedbackButton button(false, {});
    EXPECT_TRUE(button.isEnabled());
    button.click();
    EXPECT_FALSE(shown);
    VeldorBeta::start(
        BetaConfiguration(sharedPlatform(), "tile-wick", "Tilewick", "0123456789abcdef01234567", {}, {}));
    EXPECT_TRUE(button.isEnabled());
    EXPECT_EQ(button.label().text, "Beta feedback");
    EXPECT_EQ(button.label().symbol, "exclamationmark.bubble");
    EXPECT_EQ(button.toolTip(), "Tell Veldor Pellrath about a problem, an idea or something you like");
    button.click();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->kind, BetaFeedback::Kind::Problem);
    EXPECT_FALSE(shown->afterCrash);

    // Icon only: the same symbol, help and action without the title.
    button.setIconOnly(true);
    EXPECT_TRUE(button.label().text.isEmpty());
    EXPECT_EQ(button.label().symbol, "exclamationmark.bubble");
    EXPECT_EQ(button.sizeHint(), QSize(13 + 20, 28));
    VeldorBeta::resetForTesting();
}

} // namespace
