#pragma once

#include "tilewick/store/ConflictingApp.h"
#include "tilewick/visuals/StatusTone.h"

#include <QList>
#include <QSizeF>
#include <QString>

namespace tilewick {

// The main view's layout for a content size: paddings, sizes, and which header items show.
// Nothing is kept between passes; every resize works it out again. Every threshold compares
// against the whole content width, not the room left in a row.
struct MainLayout {
    // How the missing-permission warning shows.
    enum class Warning { none, chip, symbol };

    static constexpr qreal kHeaderBottom = 10;
    static constexpr qreal kTabBarPadding = 10;
    static constexpr qreal kTabButtonHeight = 38;
    static constexpr qreal kTabButtonMinWidth = 34;
    static constexpr qreal kTabButtonMaxWidth = 70;
    static constexpr qreal kTabSpacing = 6;
    static constexpr qreal kTabBarSpacing = 8;
    static constexpr qreal kBannerSpacing = 10;

    bool compact = false; // width below 520
    qreal pad = 24;       // the column's horizontal inset
    bool showsHeader = true;
    qreal headerTop = 18;
    qreal headerSpacing = 12;
    qreal iconSize = 50;
    qreal wordmarkSize = 30;
    // Above the banner stack: 0 under the header, 10 without it.
    qreal bannerTop = 0;

    Warning headerWarning = Warning::none;
    bool overlaySwitch = false;
    bool loginSwitch = false;
    // The manual and feedback buttons of the header.
    bool helpButtons = false;
    bool feedbackIconOnly = false;

    // Without the header the tab bar ends with the warning (while hotkeys do not work), the
    // manual button and the feedback button without its label.
    bool tabBarExtras = false;
    bool tabBarWarning = false;

    static MainLayout forContent(QSizeF content, bool hotkeysActive);
};

// The drawn keyboard's size for a page area: as wide as the area allows, 660 to 1040 points,
// and low enough for the page above it.
struct PageLayout {
    static constexpr qreal kMinKeyboardWidth = 660;
    static constexpr qreal kMaxKeyboardWidth = 1040;
    static constexpr qreal kMinScale = 0.94;
    static constexpr qreal kSpacing = 12;
    static constexpr qreal kVerticalPadding = 14;
    static constexpr qreal kKeyboardBottom = 22;

    qreal keyboardWidth = kMinKeyboardWidth;
    qreal keyboardHeight = 0;

    static PageLayout forArea(QSizeF area, qreal pad);
};

// One action button of a banner.
struct BannerAction {
    enum class Kind { requestAccessibility, quitConflictingApp, openLoginItems, quitTilewick };

    Kind kind;
    QString title;
    bool primary = false;
    // The utility the action is about (quitting it).
    ConflictingApp app;
};

// One banner of the stack: what it says and offers.
struct BannerContent {
    // The conflict's bundle identifier; "accessibility" for the permission banner.
    QString id;
    StatusTone tone = StatusTone::warn;
    QString title;
    QString text;
    QList<BannerAction> actions;

    // The permission banner while not trusted, then one per clashing utility in the store's
    // order.
    static QList<BannerContent> stack(bool trusted, const QList<ConflictingApp>& conflicts);
    // Space under the stack: 4 when it holds a banner, else none.
    static qreal bottomPadding(bool trusted, const QList<ConflictingApp>& conflicts);
};

} // namespace tilewick
