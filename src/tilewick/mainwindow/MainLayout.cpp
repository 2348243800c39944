#include "MainLayout.h"

#include <algorithm>

namespace tilewick {

namespace {

constexpr qreal kCompactBelow = 520;
constexpr qreal kHeaderFrom = 600;
constexpr qreal kWarningChipFrom = 700;
constexpr qreal kOverlaySwitchFrom = 1040;
constexpr qreal kLoginSwitchFrom = 860;
constexpr qreal kHelpButtonsFrom = 280;
// The feedback button keeps its label from these widths: more room is taken by the warning.
constexpr qreal kFeedbackLabelFrom = 660;
constexpr qreal kFeedbackLabelWithWarningFrom = 940;

// The keyboard's height for a width, and the page above it: its title row, the spacings and
// the keyboard's bottom padding (28 + 32 + 12 + 22) and the page's height per keyboard width.
constexpr qreal kPageAndKeyboardFixed = 94;
constexpr qreal kPageAndKeyboardPerWidth = 0.6796472436233076;

} // namespace

MainLayout MainLayout::forContent(QSizeF content, bool hotkeysActive) {
    const qreal w = content.width();
    MainLayout layout;
    layout.compact = w < kCompactBelow;
    layout.pad = layout.compact ? 12 : 24;
    layout.showsHeader = content.height() >= kHeaderFrom;
    layout.headerTop = layout.compact ? 10 : 18;
    layout.headerSpacing = layout.compact ? 8 : 12;
    layout.iconSize = layout.compact ? 34 : 50;
    layout.wordmarkSize = layout.compact ? 20 : 30;
    layout.bannerTop = layout.showsHeader ? 0 : 10;
    if (layout.showsHeader) {
        if (!hotkeysActive)
            layout.headerWarning = w >= kWarningChipFrom ? Warning::chip : Warning::symbol;
        layout.overlaySwitch = w >= kOverlaySwitchFrom;
        layout.loginSwitch = w >= kLoginSwitchFrom;
        layout.helpButtons = w >= kHelpButtonsFrom;
        layout.feedbackIconOnly = w < (hotkeysActive ? kFeedbackLabelFrom : kFeedbackLabelWithWarningFrom);
    } else {
        layout.tabBarExtras = true;
        layout.tabBarWarning = !hotkeysActive;
        layout.feedbackIconOnly = true;
    }
    return layout;
}

PageLayout PageLayout::forArea(QSizeF area, qreal pad) {
    PageLayout page;
    page.keyboardWidth = std::max(
        kMinKeyboardWidth,
        std::min({area.width() - 2 * pad, (area.height() - kPageAndKeyboardFixed) / kPageAndKeyboardPerWidth,
                  kMaxKeyboardWidth}));
    page.keyboardHeight = ((page.keyboardWidth + 4) / 14.5 - 4) * 5 + 16;
    return page;
}

QList<BannerContent> BannerContent::stack(bool trusted, const QList<ConflictingApp>& conflicts) {
    QList<BannerContent> banners;
    if (!trusted) {
        banners.append(
            {QStringLiteral("accessibility"),
             StatusTone::warn,
             QStringLiteral("Allow Tilewick to move windows"),
             QStringLiteral("Turn on Tilewick in the desktop's settings › Accessibility. It needs this to "
                            "move windows and to catch its hotkeys before other apps do."),
             {{BannerAction::Kind::requestAccessibility, QStringLiteral("Open Accessibility Settings"),
               true}}});
    }
    for (const ConflictingApp& app : conflicts) {
        banners.append(
            {app.id,
             StatusTone::danger,
             app.name + QStringLiteral(" is running too"),
             app.name +
                 QStringLiteral(" also snaps windows with hotkeys, so the two can clash. Quit one of them, "
                                "and turn off its login item so it doesn't start again at login."),
             {{BannerAction::Kind::quitConflictingApp, QStringLiteral("Quit ") + app.name, true, app},
              {BannerAction::Kind::openLoginItems, QStringLiteral("Open Login Items"), false, app},
              {BannerAction::Kind::quitTilewick, QStringLiteral("Quit Tilewick"), false, app}}});
    }
    return banners;
}

qreal BannerContent::bottomPadding(bool trusted, const QList<ConflictingApp>& conflicts) {
    return !trusted || !conflicts.isEmpty() ? 4 : 0;
}

} // namespace tilewick
