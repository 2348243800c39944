#include "tilewick/visuals/Theme.h"
#include "support/SimPlatformTest.h"
#include "tilewick/visuals/StatusTone.h"
#include "tilewick/visuals/ViewServices.h"

namespace {

using namespace tilewick;
// Colours resolved against the view services of the simulated platform.
class ThemeColors : public SimPlatformTest {
protected:
    Scheme scheme() { return ViewServices::of(platform()).scheme(); }
};

struct Expected {
    const char* name;
    ThemeColor color;
    Rgb dark;
    Rgb light;
};

// The palette, written out independently of the definitions.
const Expected kPalette[] = {
    {"background", Theme::background, {13, 13, 18}, {247, 247, 251}},
    {"card", Theme::card, {22, 22, 31}, {255, 255, 255}},
    {"raised", Theme::raised, {31, 31, 42}, {255, 255, 255}},
    {"border", Theme::border, {42, 42, 58}, {228, 228, 238}},
    {"text", Theme::text, {236, 236, 244}, {28, 28, 40}},
    {"textSecondary", Theme::textSecondary, {156, 156, 176}, {99, 99, 122}},
    {"accent", Theme::accent, {139, 92, 246}, {109, 59, 238}},
    {"magenta", Theme::magenta, {217, 70, 239}, {192, 38, 213}},
    {"accentSoft", Theme::accentSoft, {34, 26, 56}, {241, 236, 254}},
    {"goodSoft", Theme::goodSoft, {16, 42, 32}, {238, 248, 242}},
    {"warnSoft", Theme::warnSoft, {42, 34, 20}, {251, 244, 230}},
    {"dangerSoft", Theme::dangerSoft, {40, 21, 32}, {255, 241, 243}},
    {"panelFill", Theme::panelFill, {18, 14, 30}, {252, 250, 255}},
    {"good", Theme::good, {83, 199, 140}, {83, 199, 140}},
    {"warn", Theme::warn, {216, 163, 72}, {216, 163, 72}},
    {"danger", Theme::danger, {216, 95, 114}, {216, 95, 114}},
};

QColor opaque(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

TEST_F(ThemeColors, FollowTheAppearanceAtDrawTime) {
    for (const Expected& e : kPalette) {
        SCOPED_TRACE(e.name);
        appearance().setSystemScheme(Scheme::Light);
        EXPECT_EQ(e.color.resolve(scheme()), opaque(e.light));
        appearance().setSystemScheme(Scheme::Dark);
        EXPECT_EQ(e.color.resolve(scheme()), opaque(e.dark));
    }
}

TEST_F(ThemeColors, ForcedSchemeWinsOverTheDesktop) {
    appearance().setSystemScheme(Scheme::Light);
    appearance().force(Scheme::Dark);
    EXPECT_EQ(Theme::background.resolve(scheme()), QColor(13, 13, 18));
    appearance().setSystemScheme(Scheme::Dark);
    appearance().force(Scheme::Light);
    EXPECT_EQ(Theme::background.resolve(scheme()), QColor(247, 247, 251));
    appearance().force(std::nullopt);
    EXPECT_EQ(Theme::background.resolve(scheme()), QColor(13, 13, 18));
}

TEST(ThemeColorsWithoutAppearance, DrawLight) {
    const ViewServices view(std::make_shared<platform::sim::VirtualRuntime>());
    EXPECT_EQ(view.scheme(), Scheme::Light);
    EXPECT_EQ(Theme::card.resolve(view.scheme()), QColor(255, 255, 255));
}

TEST_F(ThemeColors, OpacityKeepsTheColour) {
    const QColor c = Theme::accent.resolve(scheme(), 0.55);
    EXPECT_EQ(c.rgb() & 0xFFFFFF, QColor(109, 59, 238).rgb() & 0xFFFFFF);
    EXPECT_NEAR(c.alphaF(), 0.55, 1e-3);
}

// The stops and end points of a gradient laid over `bounds`.
struct Laid {
    QPointF start, end;
    QColor first, second;
};
Laid lay(const ThemeGradient& g, const QRectF& bounds, Scheme scheme) {
    const QLinearGradient l = g.resolve(bounds, scheme);
    const QGradientStops stops = l.stops();
    if (stops.size() != 2) {
        ADD_FAILURE() << "a gradient of " << stops.size() << " stops, not 2";
        return {};
    }
    EXPECT_EQ(stops.first().first, 0.0);
    EXPECT_EQ(stops.last().first, 1.0);
    return {l.start(), l.finalStop(), stops.first().second, stops.last().second};
}

TEST(ThemeGradients, MapUnitPointsIntoTheShapeWithYDownwards) {
    const QRectF bounds(10, 20, 200, 100);
    for (Scheme scheme : {Scheme::Light, Scheme::Dark}) {
        Laid primary = lay(Theme::accentGradient, bounds, scheme);
        EXPECT_EQ(primary.start, QPointF(10, 52));
        EXPECT_EQ(primary.end, QPointF(210, 88));
        EXPECT_EQ(primary.first, QColor(109, 59, 238));
        EXPECT_EQ(primary.second, QColor(192, 38, 213));

        Laid bright = lay(Theme::accentGradientBright, bounds, scheme);
        EXPECT_EQ(bright.start, QPointF(10, 20));
        EXPECT_EQ(bright.end, QPointF(210, 120));
        EXPECT_EQ(bright.first, QColor(139, 92, 246));
        EXPECT_EQ(bright.second, QColor(217, 70, 239));
    }
}

TEST(ThemeGradients, DynamicStopsFollowTheScheme) {
    const QRectF bounds(0, 0, 40, 80);
    Laid light = lay(Theme::accentGradientVertical, bounds, Scheme::Light);
    EXPECT_EQ(light.start, QPointF(20, 0));
    EXPECT_EQ(light.end, QPointF(20, 80));
    EXPECT_EQ(light.first, QColor(109, 59, 238));
    EXPECT_EQ(light.second, QColor(192, 38, 213));
    Laid dark = lay(Theme::accentGradientVertical, bounds, Scheme::Dark);
    EXPECT_EQ(dark.first, QColor(139, 92, 246));
    EXPECT_EQ(dark.second, QColor(217, 70, 239));

    Laid panelLight = lay(Theme::panelGradient, bounds, Scheme::Light);
    EXPECT_EQ(panelLight.start, QPointF(20, 0));
    EXPECT_EQ(panelLight.end, QPointF(20, 80));
    EXPECT_EQ(panelLight.first, QColor(109, 59, 238));
    EXPECT_EQ(panelLight.second, QColor(192, 38, 213));
    Laid panelDark = lay(Theme::panelGradient, bounds, Scheme::Dark);
    EXPECT_EQ(panelDark.first, QColor(196, 181, 253));
    EXPECT_EQ(panelDark.second, QColor(245, 163, 255));
}

TEST_F(ThemeColors, StatusTonesTintTheirBorders) {
    appearance().setSystemScheme(Scheme::Dark);
    struct Tone {
        StatusTone tone;
        QColor foreground, fill;
    };
    const Tone tones[] = {{StatusTone::good, {83, 199, 140}, {16, 42, 32}},
                          {StatusTone::warn, {216, 163, 72}, {42, 34, 20}},
                          {StatusTone::danger, {216, 95, 114}, {40, 21, 32}},
                          {StatusTone::accent, {139, 92, 246}, {34, 26, 56}},
                          {StatusTone::neutral, {156, 156, 176}, {31, 31, 42}}};
    for (const Tone& t : tones) {
        SCOPED_TRACE(int(t.tone));
        EXPECT_EQ(statusToneForeground(t.tone).resolve(scheme()), t.foreground);
        EXPECT_EQ(statusToneFill(t.tone).resolve(scheme()), t.fill);
        const QColor tint = statusToneTint(t.tone, scheme());
        if (t.tone == StatusTone::neutral) {
            // The neutral chip's border is the plain border colour, not a tint.
            EXPECT_EQ(tint, QColor(42, 42, 58));
        } else {
            EXPECT_EQ(tint.rgb() & 0xFFFFFF, t.foreground.rgb() & 0xFFFFFF);
            EXPECT_NEAR(tint.alphaF(), 0.55, 1e-3);
        }
    }
}

} // namespace
