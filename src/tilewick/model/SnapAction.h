#pragma once

#include "SnapKind.h"

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace tilewick {

enum class SnapTab : quint8;

// The 43 things a hotkey can do, in their one fixed order: every list of actions follows it.
// The raw value (the enumerator's name, "leftHalf") is what settings store.
enum class SnapAction : quint8 {
    centre,
    previousDisplay,
    nextDisplay,
    maximize,
    focus,
    undo,
    redo,
    leftHalf,
    rightHalf,
    leftTwoThirds,
    rightTwoThirds,
    leftThird,
    centreThird,
    rightThird,
    topLeftQuarter,
    topRightQuarter,
    bottomLeftQuarter,
    bottomRightQuarter,
    topLeftSixth,
    topCentreSixth,
    topRightSixth,
    bottomLeftSixth,
    bottomCentreSixth,
    bottomRightSixth,
    topLeftEighth,
    topMiddleLeftEighth,
    topMiddleRightEighth,
    topRightEighth,
    bottomLeftEighth,
    bottomMiddleLeftEighth,
    bottomMiddleRightEighth,
    bottomRightEighth,
    fourLeft,
    fourLeftCentre,
    fourRightCentre,
    fourRight,
    topHalf,
    bottomHalf,
    topTwoThirds,
    bottomTwoThirds,
    topThird,
    middleThird,
    bottomThird,
};

inline constexpr int kSnapActionCount = 43;

// The cases of an enumeration whose values run from 0 to N-1, in declaration order.
template <typename E, int N> constexpr std::array<E, N> enumerationCases() {
    std::array<E, N> cases{};
    for (int i = 0; i < N; ++i)
        cases[i] = E(i);
    return cases;
}

inline constexpr std::array<SnapAction, kSnapActionCount> kAllSnapActions =
    enumerationCases<SnapAction, kSnapActionCount>();

// Every action in declaration order.
constexpr const std::array<SnapAction, kSnapActionCount>& allSnapActions() {
    return kAllSnapActions;
}

// The position in declaration order (0 to 42).
constexpr int indexOf(SnapAction action) {
    return int(action);
}

// "leftHalf" for leftHalf.
QString rawValue(SnapAction action);
// The action whose raw value is exactly `raw` (case-sensitive), or none.
std::optional<SnapAction> snapActionFromRaw(QStringView raw);

SnapKind kind(SnapAction action);
// Display name on cards and keys ("Left", "Top centre").
QString title(SnapAction action);
// Where the window goes, as the end of a sentence ("the left half").
QString phrase(SnapAction action);
// The one tab whose action list holds the action.
SnapTab tab(SnapAction action);
// The title prefixed by its tab ("Sixths: Top centre"); global actions keep the bare title.
QString qualifiedTitle(SnapAction action);
// Where an application's windows will go ("in the left half", "in 2 windows, one in each half").
QString multiPhrase(SnapAction action, bool multiWindow);

// The action's name in activity-log events: the raw value in snake case ("left_half").
const char* betaLogName(SnapAction action);

} // namespace tilewick
