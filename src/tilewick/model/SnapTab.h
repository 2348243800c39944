#pragma once

#include "SnapAction.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace tilewick {

// The pages of the main window, each grouping a family of layouts, in tab-bar order.
enum class SnapTab : quint8 {
    global,
    halves,
    twoThirds,
    thirds,
    fourColumns,
    quarters,
    sixths,
    eighths,
    upDownHalves,
    upDownTwoThirds,
    upDownThirds,
    appSnaps,
};

inline constexpr int kSnapTabCount = 12;

// The grid of a tab's layouts.
struct TabGrid {
    int columns = 1;
    int rows = 1;
    friend bool operator==(const TabGrid&, const TabGrid&) = default;
};

inline constexpr std::array<SnapTab, kSnapTabCount> kAllSnapTabs = enumerationCases<SnapTab, kSnapTabCount>();

// Every tab in tab-bar order.
constexpr const std::array<SnapTab, kSnapTabCount>& allSnapTabs() {
    return kAllSnapTabs;
}

constexpr int indexOf(SnapTab tab) {
    return int(tab);
}

// "twoThirds" for twoThirds.
QString rawValue(SnapTab tab);
// The tab whose raw value is exactly `raw`, or none.
std::optional<SnapTab> snapTabFromRaw(QStringView raw);

QString title(SnapTab tab);
QString subtitle(SnapTab tab);
// The tab's actions in card order; empty for appSnaps.
const QList<SnapAction>& actions(SnapTab tab);
// Columns and rows of the tab's layouts; none for global and appSnaps.
std::optional<TabGrid> grid(SnapTab tab);

// The tab's name in activity-log events ("two_thirds").
const char* betaLogName(SnapTab tab);

} // namespace tilewick
