#include "SnapTab.h"

using namespace Qt::StringLiterals;

namespace tilewick {

namespace {

using A = SnapAction;

struct TabInfo {
    SnapTab tab;
    QString raw;
    const char* logName;
    QString title;
    QString subtitle;
    std::optional<TabGrid> grid;
    QList<SnapAction> actions;
};

// In declaration order; the index of an entry is the tab's value. Built once, on first use.
const std::array<TabInfo, kSnapTabCount>& tabs() {
    static const std::array<TabInfo, kSnapTabCount> table = {{
        {SnapTab::global,
         u"global"_s,
         "global",
         u"Global"_s,
         u"Centre, maximise, focus, move between displays, undo and redo, your modifier keys and multi-window"_s,
         std::nullopt,
         {A::centre, A::previousDisplay, A::nextDisplay, A::maximize, A::focus, A::undo, A::redo}},
        {SnapTab::halves,
         u"halves"_s,
         "halves",
         u"Halves"_s,
         u"Left and right halves"_s,
         TabGrid{2, 1},
         {A::leftHalf, A::rightHalf}},
        {SnapTab::twoThirds,
         u"twoThirds"_s,
         "two_thirds",
         u"Two-Thirds"_s,
         u"The left or right two-thirds"_s,
         TabGrid{3, 1},
         {A::leftTwoThirds, A::rightTwoThirds}},
        {SnapTab::thirds,
         u"thirds"_s,
         "thirds",
         u"Thirds"_s,
         u"Left, centre and right thirds"_s,
         TabGrid{3, 1},
         {A::leftThird, A::centreThird, A::rightThird}},
        {SnapTab::fourColumns,
         u"fourColumns"_s,
         "four_columns",
         u"Four Columns"_s,
         u"Four equal columns"_s,
         TabGrid{4, 1},
         {A::fourLeft, A::fourLeftCentre, A::fourRightCentre, A::fourRight}},
        {SnapTab::quarters,
         u"quarters"_s,
         "quarters",
         u"Quarters"_s,
         u"A 2 \u00d7 2 grid"_s,
         TabGrid{2, 2},
         {A::topLeftQuarter, A::topRightQuarter, A::bottomLeftQuarter, A::bottomRightQuarter}},
        {SnapTab::sixths,
         u"sixths"_s,
         "sixths",
         u"Sixths"_s,
         u"A 3 \u00d7 2 grid"_s,
         TabGrid{3, 2},
         {A::topLeftSixth, A::topCentreSixth, A::topRightSixth, A::bottomLeftSixth, A::bottomCentreSixth,
          A::bottomRightSixth}},
        {SnapTab::eighths,
         u"eighths"_s,
         "eighths",
         u"Eighths"_s,
         u"A 4 \u00d7 2 grid"_s,
         TabGrid{4, 2},
         {A::topLeftEighth, A::topMiddleLeftEighth, A::topMiddleRightEighth, A::topRightEighth,
          A::bottomLeftEighth, A::bottomMiddleLeftEighth, A::bottomMiddleRightEighth, A::bottomRightEighth}},
        {SnapTab::upDownHalves,
         u"upDownHalves"_s,
         "up_down_halves",
         u"Up-Down Halves"_s,
         u"Top and bottom halves"_s,
         TabGrid{1, 2},
         {A::topHalf, A::bottomHalf}},
        {SnapTab::upDownTwoThirds,
         u"upDownTwoThirds"_s,
         "up_down_two_thirds",
         u"Up-Down Two-Thirds"_s,
         u"The top or bottom two-thirds"_s,
         TabGrid{1, 3},
         {A::topTwoThirds, A::bottomTwoThirds}},
        {SnapTab::upDownThirds,
         u"upDownThirds"_s,
         "up_down_thirds",
         u"Up-Down Thirds"_s,
         u"Top, centre and bottom thirds"_s,
         TabGrid{1, 3},
         {A::topThird, A::middleThird, A::bottomThird}},
        {SnapTab::appSnaps,
         u"appSnaps"_s,
         "app_snaps",
         u"Default App Snaps"_s,
         u"Choose where you want your apps to open"_s,
         std::nullopt,
         {}},
    }};
    return table;
}

static_assert(int(SnapTab::appSnaps) + 1 == kSnapTabCount);

const TabInfo& info(SnapTab tab) {
    return tabs()[int(tab)];
}

} // namespace

QString rawValue(SnapTab tab) {
    return info(tab).raw;
}

std::optional<SnapTab> snapTabFromRaw(QStringView raw) {
    for (const TabInfo& t : tabs()) {
        if (t.raw == raw)
            return t.tab;
    }
    return std::nullopt;
}

QString title(SnapTab tab) {
    return info(tab).title;
}

QString subtitle(SnapTab tab) {
    return info(tab).subtitle;
}

const QList<SnapAction>& actions(SnapTab tab) {
    return info(tab).actions;
}

std::optional<TabGrid> grid(SnapTab tab) {
    return info(tab).grid;
}

const char* betaLogName(SnapTab tab) {
    return info(tab).logName;
}

} // namespace tilewick
