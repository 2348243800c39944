#include "tilewick/mainwindow/MainLayout.h"

#include <gtest/gtest.h>

namespace {

using namespace tilewick;
using Warning = MainLayout::Warning;

TEST(MainLayout, CompactBelow520Wide) {
    struct Case {
        qreal width;
        bool compact;
        qreal pad, headerTop, iconSize, wordmarkSize, spacing;
    };
    const Case cases[] = {{519, true, 12, 10, 34, 20, 8}, {520, false, 24, 18, 50, 30, 12}};
    for (const Case& c : cases) {
        const MainLayout layout = MainLayout::forContent({c.width, 891}, true);
        EXPECT_EQ(layout.compact, c.compact) << c.width;
        EXPECT_EQ(layout.pad, c.pad) << c.width;
        EXPECT_EQ(layout.headerTop, c.headerTop) << c.width;
        EXPECT_EQ(layout.iconSize, c.iconSize) << c.width;
        EXPECT_EQ(layout.wordmarkSize, c.wordmarkSize) << c.width;
        EXPECT_EQ(layout.headerSpacing, c.spacing) << c.width;
    }
}

TEST(MainLayout, BelowSixHundredHighTheTabBarTakesTheHeadersButtons) {
    const MainLayout low = MainLayout::forContent({956, 599}, false);
    EXPECT_FALSE(low.showsHeader);
    EXPECT_EQ(low.bannerTop, 10);
    EXPECT_TRUE(low.tabBarExtras);
    EXPECT_TRUE(low.tabBarWarning);
    EXPECT_TRUE(low.feedbackIconOnly);
    EXPECT_EQ(low.headerWarning, Warning::none);
    EXPECT_FALSE(low.helpButtons);
    EXPECT_FALSE(MainLayout::forContent({956, 599}, true).tabBarWarning);

    const MainLayout high = MainLayout::forContent({956, 600}, false);
    EXPECT_TRUE(high.showsHeader);
    EXPECT_EQ(high.bannerTop, 0);
    EXPECT_FALSE(high.tabBarExtras);
    EXPECT_FALSE(high.tabBarWarning);
    EXPECT_TRUE(high.helpButtons);
}

TEST(MainLayout, HeaderItemsShowFromTheirWidths) {
    struct Case {
        qreal width;
        bool hotkeysActive;
        Warning warning;
        bool overlay, login, help, feedbackIconOnly;
    };
    const Case cases[] = {
        {279, true, Warning::none, false, false, false, true},
        {280, true, Warning::none, false, false, true, true},
        {659, true, Warning::none, false, false, true, true},
        {660, true, Warning::none, false, false, true, false},
        {699, false, Warning::symbol, false, false, true, true},
        {700, false, Warning::chip, false, false, true, true},
        {859, true, Warning::none, false, false, true, false},
        {860, true, Warning::none, false, true, true, false},
        {939, false, Warning::chip, false, true, true, true},
        {940, false, Warning::chip, false, true, true, false},
        {1039, true, Warning::none, false, true, true, false},
        {1040, true, Warning::none, true, true, true, false},
    };
    for (const Case& c : cases) {
        const MainLayout layout = MainLayout::forContent({c.width, 891}, c.hotkeysActive);
        EXPECT_EQ(layout.headerWarning, c.warning) << c.width;
        EXPECT_EQ(layout.overlaySwitch, c.overlay) << c.width;
        EXPECT_EQ(layout.loginSwitch, c.login) << c.width;
        EXPECT_EQ(layout.helpButtons, c.help) << c.width;
        EXPECT_EQ(layout.feedbackIconOnly, c.feedbackIconOnly) << c.width;
    }
}

TEST(PageLayout, KeyboardWidthStaysBetween660And1040) {
    struct Case {
        QSizeF area;
        qreal pad;
        qreal width;
    };
    const Case cases[] = {
        {{2000, 2000}, 24, 1040},
        {{100, 100}, 24, 660},
        {{956, 2000}, 24, 908},                           // the width decides
        {{2000, 94 + 800 * 0.6796472436233076}, 24, 800}, // the height decides
        {{800, 2000}, 12, 776},
    };
    for (const Case& c : cases) {
        const PageLayout page = PageLayout::forArea(c.area, c.pad);
        EXPECT_NEAR(page.keyboardWidth, c.width, 1e-9) << c.area.width() << "x" << c.area.height();
        EXPECT_NEAR(page.keyboardHeight, ((c.width + 4) / 14.5 - 4) * 5 + 16, 1e-9);
    }
    EXPECT_DOUBLE_EQ(PageLayout::forArea({2000, 2000}, 24).keyboardHeight, 356);
}

TEST(BannerContent, PermissionFirstThenEachClashingUtilityInTheStoresOrder) {
    const QList<ConflictingApp> conflicts{{"com.example.grid", "Gridline", 11},
                                          {"com.example.tiles", "Tiler", 12}};
    const QList<BannerContent> banners = BannerContent::stack(false, conflicts);
    ASSERT_EQ(banners.size(), 3);
    EXPECT_EQ(BannerContent::bottomPadding(false, conflicts), 4);

    EXPECT_EQ(banners[0].tone, StatusTone::warn);
    EXPECT_EQ(banners[0].title, "Allow Tilewick to move windows");
    EXPECT_EQ(banners[0].text,
              "Turn on Tilewick in the desktop's settings › Accessibility. It needs this to move "
              "windows and to catch its hotkeys before other apps do.");
    ASSERT_EQ(banners[0].actions.size(), 1);
    EXPECT_EQ(banners[0].actions[0].title, "Open Accessibility Settings");
    EXPECT_TRUE(banners[0].actions[0].primary);
    EXPECT_EQ(banners[0].actions[0].kind, BannerAction::Kind::requestAccessibility);

    for (int i = 0; i < 2; ++i) {
        const BannerContent& banner = banners[i + 1];
        const ConflictingApp& app = conflicts[i];
        EXPECT_EQ(banner.id, app.id);
        EXPECT_EQ(banner.tone, StatusTone::danger);
        EXPECT_EQ(banner.title, app.name + " is running too");
        EXPECT_EQ(banner.text, app.name +
                                   " also snaps windows with hotkeys, so the two can clash. Quit one of "
                                   "them, and turn off its login item so it doesn't start again at login.");
        ASSERT_EQ(banner.actions.size(), 3);
        EXPECT_EQ(banner.actions[0].title, "Quit " + app.name);
        EXPECT_EQ(banner.actions[0].kind, BannerAction::Kind::quitConflictingApp);
        EXPECT_EQ(banner.actions[0].app, app);
        EXPECT_TRUE(banner.actions[0].primary);
        EXPECT_EQ(banner.actions[1].title, "Open Login Items");
        EXPECT_EQ(banner.actions[1].kind, BannerAction::Kind::openLoginItems);
        EXPECT_FALSE(banner.actions[1].primary);
        EXPECT_EQ(banner.actions[2].title, "Quit Tilewick");
        EXPECT_EQ(banner.actions[2].kind, BannerAction::Kind::quitTilewick);
        EXPECT_FALSE(banner.actions[2].primary);
    }

    EXPECT_TRUE(BannerContent::stack(true, {}).isEmpty());
    EXPECT_EQ(BannerContent::bottomPadding(true, {}), 0);
    EXPECT_EQ(BannerContent::stack(true, conflicts.mid(1)).size(), 1);
    EXPECT_EQ(BannerContent::bottomPadding(true, conflicts.mid(1)), 4);
}

} // namespace
