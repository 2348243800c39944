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

} // namespace
