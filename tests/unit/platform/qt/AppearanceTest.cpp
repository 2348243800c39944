#include "platform/qt/QtAppearance.h"
#include "platform/sim/SimAppearance.h"

#include <QGuiApplication>
#include <QPalette>

#include <gtest/gtest.h>

namespace {

using Scheme = platform::Appearance::Scheme;

TEST(SimAppearance, StartsLightFollowsTheDesktopAndCanBeForced) {
    platform::sim::SimAppearance appearance;
    EXPECT_EQ(appearance.scheme(), Scheme::Light);
    appearance.setSystemScheme(Scheme::Dark);
    EXPECT_TRUE(appearance.isDark());

    appearance.force(Scheme::Light);
    EXPECT_EQ(appearance.scheme(), Scheme::Light);
    EXPECT_EQ(appearance.forced(), Scheme::Light);
    appearance.setSystemScheme(Scheme::Light);
    appearance.force(Scheme::Dark);
    EXPECT_EQ(appearance.scheme(), Scheme::Dark);

    appearance.force(std::nullopt);
    EXPECT_EQ(appearance.scheme(), Scheme::Light);

    // Each change of the scheme drawn with is announced once.
    int announced = 0;
    QObject::connect(&appearance, &platform::Appearance::schemeChanged, [&] { ++announced; });
    appearance.setSystemScheme(Scheme::Dark);
    appearance.setSystemScheme(Scheme::Dark);
    EXPECT_EQ(announced, 1);
    appearance.force(Scheme::Dark);
    EXPECT_EQ(announced, 1);
    appearance.force(Scheme::Light);
    EXPECT_EQ(announced, 2);
}

// Qt 6.4 reports no colour scheme; the palette's window colour tells dark from light.
TEST(QtAppearance, ReadsTheApplicationPalette) {
    const QPalette original = QGuiApplication::palette();
    platform::qt::QtAppearance appearance;

    QPalette dark = original;
    dark.setColor(QPalette::Window, QColor(30, 30, 34));
    QGuiApplication::setPalette(dark);
    EXPECT_EQ(appearance.scheme(), Scheme::Dark);

    QPalette light = original;
    light.setColor(QPalette::Window, QColor(239, 239, 239));
    QGuiApplication::setPalette(light);
    EXPECT_EQ(appearance.scheme(), Scheme::Light);

    appearance.force(Scheme::Dark);
    EXPECT_EQ(appearance.scheme(), Scheme::Dark);
    QGuiApplication::setPalette(original);
}

// What keeps a drawing of one scheme hears of each change of the scheme views draw with, and
// only of those: a palette change that leaves the scheme, or a switch hidden by a forced scheme,
// says nothing.
TEST(QtAppearance, AnnouncesEachChangeOfTheSchemeDrawnWith) {
    const QPalette original = QGuiApplication::palette();
    QPalette light = original, lighter = original, dark = original;
    light.setColor(QPalette::Window, QColor(239, 239, 239));
    lighter.setColor(QPalette::Window, QColor(250, 250, 250));
    dark.setColor(QPalette::Window, QColor(30, 30, 34));
    QGuiApplication::setPalette(light);
    platform::qt::QtAppearance appearance;
    int announced = 0;
    QObject::connect(&appearance, &platform::Appearance::schemeChanged, [&] { ++announced; });

    QGuiApplication::setPalette(dark);
    EXPECT_EQ(announced, 1);
    QGuiApplication::setPalette(light);
    EXPECT_EQ(announced, 2);
    QGuiApplication::setPalette(lighter);
    EXPECT_EQ(announced, 2);

    appearance.force(Scheme::Light);
    QGuiApplication::setPalette(dark);
    EXPECT_EQ(announced, 2);
    appearance.force(std::nullopt);
    EXPECT_EQ(announced, 3);
    EXPECT_EQ(appearance.scheme(), Scheme::Dark);
    QGuiApplication::setPalette(original);
}

} // namespace
