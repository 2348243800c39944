#include "SnapAction.h"

#include "SnapTab.h"

namespace tilewick {

namespace {

struct ActionRow {
    SnapAction action;
    const char* raw;
    const char* logName;
    SnapKind kind;
    const char* title;
    // Null where the phrase is the title in lower case.
    const char* phrase;
};

using K = SnapKind;
using A = SnapAction;

// In declaration order; the index of a row is the action's value.
constexpr ActionRow kActions[kSnapActionCount] = {
    {A::centre, "centre", "centre", K::centre(), "Centre", "the centre"},
    {A::previousDisplay, "previousDisplay", "previous_display", K::display(-1), "Move to last", nullptr},
    {A::nextDisplay, "nextDisplay", "next_display", K::display(+1), "Move to next", nullptr},
    {A::maximize, "maximize", "maximize", K::maximize(), "Maximise", "the whole screen"},
    {A::focus, "focus", "focus", K::focus(), "Focus on this", nullptr},
    {A::undo, "undo", "undo", K::history(-1), "Undo", nullptr},
    {A::redo, "redo", "redo", K::history(+1), "Redo", nullptr},
    {A::leftHalf, "leftHalf", "left_half", K::cells(2, 1, 0, 0, 1, 1), "Left", "the left half"},
    {A::rightHalf, "rightHalf", "right_half", K::cells(2, 1, 1, 0, 1, 1), "Right", "the right half"},
    {A::leftTwoThirds, "leftTwoThirds", "left_two_thirds", K::cells(3, 1, 0, 0, 2, 1), "Left two-thirds",
     "the left two-thirds"},
    {A::rightTwoThirds, "rightTwoThirds", "right_two_thirds", K::cells(3, 1, 1, 0, 2, 1), "Right two-thirds",
     "the right two-thirds"},
    {A::leftThird, "leftThird", "left_third", K::cells(3, 1, 0, 0, 1, 1), "Left", "the left third"},
    {A::centreThird, "centreThird", "centre_third", K::cells(3, 1, 1, 0, 1, 1), "Centre", "the centre third"},
    {A::rightThird, "rightThird", "right_third", K::cells(3, 1, 2, 0, 1, 1), "Right", "the right third"},
    {A::topLeftQuarter, "topLeftQuarter", "top_left_quarter", K::cells(2, 2, 0, 0, 1, 1), "Top left",
     "the top-left quarter"},
    {A::topRightQuarter, "topRightQuarter", "top_right_quarter", K::cells(2, 2, 1, 0, 1, 1), "Top right",
     "the top-right quarter"},
    {A::bottomLeftQuarter, "bottomLeftQuarter", "bottom_left_quarter", K::cells(2, 2, 0, 1, 1, 1),
     "Bottom left", "the bottom-left quarter"},
    {A::bottomRightQuarter, "bottomRightQuarter", "bottom_right_quarter", K::cells(2, 2, 1, 1, 1, 1),
     "Bottom right", "the bottom-right quarter"},
    {A::topLeftSixth, "topLeftSixth", "top_left_sixth", K::cells(3, 2, 0, 0, 1, 1), "Top left",
     "the top-left sixth"},
    {A::topCentreSixth, "topCentreSixth", "top_centre_sixth", K::cells(3, 2, 1, 0, 1, 1), "Top centre",
     "the top-centre sixth"},
    {A::topRightSixth, "topRightSixth", "top_right_sixth", K::cells(3, 2, 2, 0, 1, 1), "Top right",
     "the top-right sixth"},
    {A::bottomLeftSixth, "bottomLeftSixth", "bottom_left_sixth", K::cells(3, 2, 0, 1, 1, 1), "Bottom left",
     "the bottom-left sixth"},
    {A::bottomCentreSixth, "bottomCentreSixth", "bottom_centre_sixth", K::cells(3, 2, 1, 1, 1, 1),
     "Bottom centre", "the bottom-centre sixth"},
    {A::bottomRightSixth, "bottomRightSixth", "bottom_right_sixth", K::cells(3, 2, 2, 1, 1, 1),
     "Bottom right", "the bottom-right sixth"},
    {A::topLeftEighth, "topLeftEighth", "top_left_eighth", K::cells(4, 2, 0, 0, 1, 1), "Top left",
     "the top-left eighth"},
    {A::topMiddleLeftEighth, "topMiddleLeftEighth", "top_middle_left_eighth", K::cells(4, 2, 1, 0, 1, 1),
     "Top centre-left", "the top centre-left eighth"},
    {A::topMiddleRightEighth, "topMiddleRightEighth", "top_middle_right_eighth", K::cells(4, 2, 2, 0, 1, 1),
     "Top centre-right", "the top centre-right eighth"},
    {A::topRightEighth, "topRightEighth", "top_right_eighth", K::cells(4, 2, 3, 0, 1, 1), "Top right",
     "the top-right eighth"},
    {A::bottomLeftEighth, "bottomLeftEighth", "bottom_left_eighth", K::cells(4, 2, 0, 1, 1, 1), "Bottom left",
     "the bottom-left eighth"},
    {A::bottomMiddleLeftEighth, "bottomMiddleLeftEighth", "bottom_middle_left_eighth",
     K::cells(4, 2, 1, 1, 1, 1), "Bottom centre-left", "the bottom centre-left eighth"},
    {A::bottomMiddleRightEighth, "bottomMiddleRightEighth", "bottom_middle_right_eighth",
     K::cells(4, 2, 2, 1, 1, 1), "Bottom centre-right", "the bottom centre-right eighth"},
    {A::bottomRightEighth, "bottomRightEighth", "bottom_right_eighth", K::cells(4, 2, 3, 1, 1, 1),
     "Bottom right", "the bottom-right eighth"},
    {A::fourLeft, "fourLeft", "four_left", K::cells(4, 1, 0, 0, 1, 1), "Left", "the left column"},
    {A::fourLeftCentre, "fourLeftCentre", "four_left_centre", K::cells(4, 1, 1, 0, 1, 1), "Centre-left",
     "the centre-left column"},
    {A::fourRightCentre, "fourRightCentre", "four_right_centre", K::cells(4, 1, 2, 0, 1, 1), "Centre-right",
     "the centre-right column"},
    {A::fourRight, "fourRight", "four_right", K::cells(4, 1, 3, 0, 1, 1), "Right", "the right column"},
    {A::topHalf, "topHalf", "top_half", K::cells(1, 2, 0, 0, 1, 1), "Top", "the top half"},
    {A::bottomHalf, "bottomHalf", "bottom_half", K::cells(1, 2, 0, 1, 1, 1), "Bottom", "the bottom half"},
    {A::topTwoThirds, "topTwoThirds", "top_two_thirds", K::cells(1, 3, 0, 0, 1, 2), "Top two-thirds",
     "the top two-thirds"},
    {A::bottomTwoThirds, "bottomTwoThirds", "bottom_two_thirds", K::cells(1, 3, 0, 1, 1, 2),
     "Bottom two-thirds", "the bottom two-thirds"},
    {A::topThird, "topThird", "top_third", K::cells(1, 3, 0, 0, 1, 1), "Top", "the top third"},
    {A::middleThird, "middleThird", "middle_third", K::cells(1, 3, 0, 1, 1, 1), "Centre", "the middle third"},
    {A::bottomThird, "bottomThird", "bottom_third", K::cells(1, 3, 0, 2, 1, 1), "Bottom", "the bottom third"},
};

constexpr bool rowsInDeclarationOrder() {
    for (int i = 0; i < kSnapActionCount; ++i) {
        if (int(kActions[i].action) != i)
            return false;
    }
    return true;
}
static_assert(rowsInDeclarationOrder(), "the action table must follow the declaration order");
static_assert(int(SnapAction::bottomThird) + 1 == kSnapActionCount);

const ActionRow& row(SnapAction action) {
    return kActions[int(action)];
}

// The texts as QStrings, converted once.
struct ActionTexts {
    QString raw[kSnapActionCount];
    QString title[kSnapActionCount];
    QString phrase[kSnapActionCount];

    ActionTexts() {
        for (int i = 0; i < kSnapActionCount; ++i) {
            raw[i] = QString::fromLatin1(kActions[i].raw);
            title[i] = QString::fromUtf8(kActions[i].title);
            phrase[i] = kActions[i].phrase ? QString::fromUtf8(kActions[i].phrase) : title[i].toLower();
        }
    }
};

const ActionTexts& texts() {
    static const ActionTexts t;
    return t;
}

// Built by walking the tabs, whose order differs from the declaration order.
struct TabMap {
    std::array<std::optional<SnapTab>, kSnapActionCount> tabOf{};
    TabMap() {
        for (SnapTab t : allSnapTabs()) {
            for (SnapAction a : actions(t))
                tabOf[int(a)] = t;
        }
    }
};

const TabMap& tabMap() {
    static const TabMap m;
    return m;
}

} // namespace

QString rawValue(SnapAction action) {
    return texts().raw[int(action)];
}

std::optional<SnapAction> snapActionFromRaw(QStringView raw) {
    const ActionTexts& t = texts();
    for (int i = 0; i < kSnapActionCount; ++i) {
        if (t.raw[i] == raw)
            return SnapAction(i);
    }
    return std::nullopt;
}

SnapKind kind(SnapAction action) {
    return row(action).kind;
}

QString title(SnapAction action) {
    return texts().title[int(action)];
}

QString phrase(SnapAction action) {
    return texts().phrase[int(action)];
}

SnapTab tab(SnapAction action) {
    return tabMap().tabOf[int(action)].value_or(SnapTab::global);
}

QString qualifiedTitle(SnapAction action) {
    const auto t = tabMap().tabOf[int(action)];
    if (!t || *t == SnapTab::global)
        return title(action);
    return title(*t) + QStringLiteral(": ") + title(action);
}

QString multiPhrase(SnapAction action, bool multiWindow) {
    const SnapKind k = kind(action);
    if (k.type() == SnapKind::Type::maximize)
        return QStringLiteral("maximised");
    if (k.isCells() && multiWindow) {
        const QString n = QString::number(k.blocks().size());
        switch (tab(action)) {
        case SnapTab::halves:
        case SnapTab::upDownHalves:
            return QStringLiteral("in %1 windows, one in each half").arg(n);
        case SnapTab::thirds:
        case SnapTab::upDownThirds:
            return QStringLiteral("in %1 windows, one in each third").arg(n);
        case SnapTab::fourColumns:
            return QStringLiteral("in %1 windows, one in each column").arg(n);
        case SnapTab::quarters:
            return QStringLiteral("in %1 windows, one in each quarter").arg(n);
        case SnapTab::sixths:
            return QStringLiteral("in %1 windows, one in each sixth").arg(n);
        case SnapTab::twoThirds:
        case SnapTab::upDownTwoThirds:
            return QStringLiteral("in 2 windows: two-thirds and a third");
        default:
            return QStringLiteral("in %1 windows, one in each eighth").arg(n);
        }
    }
    return QStringLiteral("in ") + phrase(action);
}

const char* betaLogName(SnapAction action) {
    return row(action).logName;
}

} // namespace tilewick
