#include "betakit/BetaValue.h"
#include "tilewick/model/SnapTab.h"

#include <gtest/gtest.h>

#include <QSet>
#include <QStringList>

using namespace tilewick;
using Block = SnapKind::Block;

namespace {

QString snakeCase(const QString& raw) {
    QString out;
    for (QChar c : raw) {
        if (c.isUpper())
            out += u'_' + c.toLower();
        else
            out += c;
    }
    return out;
}

TEST(SnapAction, DeclarationOrderAndExactRawValues) {
    // Stored settings name actions by these.
    const QStringList expected =
        QStringLiteral("centre previousDisplay nextDisplay maximize focus undo redo leftHalf rightHalf "
                       "leftTwoThirds rightTwoThirds leftThird centreThird rightThird topLeftQuarter "
                       "topRightQuarter bottomLeftQuarter bottomRightQuarter topLeftSixth topCentreSixth "
                       "topRightSixth bottomLeftSixth bottomCentreSixth bottomRightSixth topLeftEighth "
                       "topMiddleLeftEighth topMiddleRightEighth topRightEighth bottomLeftEighth "
                       "bottomMiddleLeftEighth bottomMiddleRightEighth bottomRightEighth fourLeft "
                       "fourLeftCentre fourRightCentre fourRight topHalf bottomHalf topTwoThirds "
                       "bottomTwoThirds topThird middleThird bottomThird")
            .split(u' ');
    QStringList raws;
    for (SnapAction a : allSnapActions()) {
        raws << rawValue(a);
        EXPECT_EQ(snapActionFromRaw(rawValue(a)), a);
    }
    EXPECT_EQ(raws, expected);
    // Only the exact names.
    EXPECT_EQ(snapActionFromRaw(u"LeftHalf"), std::nullopt);
    EXPECT_EQ(snapActionFromRaw(u""), std::nullopt);
    EXPECT_EQ(snapActionFromRaw(u"left_half"), std::nullopt);
    EXPECT_EQ(snapActionFromRaw(u"leftHalf "), std::nullopt);
}

TEST(SnapModel, LogNamesAreSnakeCaseOfRawValues) {
    for (SnapAction a : allSnapActions())
        EXPECT_EQ(QString::fromLatin1(betaLogName(a)), snakeCase(rawValue(a)));
    for (SnapTab t : allSnapTabs())
        EXPECT_EQ(QString::fromLatin1(betaLogName(t)), snakeCase(rawValue(t)));
    // Events carry actions and tabs by these names.
    EXPECT_EQ(betakit::BetaValue::fromCase(SnapAction::topLeftQuarter).text(), "top_left_quarter");
    EXPECT_EQ(betakit::BetaValue::fromCase(SnapTab::fourColumns).text(), "four_columns");
}

TEST(SnapAction, KindsTitlesAndPhrases) {
    EXPECT_EQ(kind(SnapAction::centre), SnapKind::centre());
    EXPECT_EQ(kind(SnapAction::previousDisplay), SnapKind::display(-1));
    EXPECT_EQ(kind(SnapAction::nextDisplay), SnapKind::display(1));
    EXPECT_EQ(kind(SnapAction::undo), SnapKind::history(-1));
    EXPECT_EQ(kind(SnapAction::redo), SnapKind::history(1));
    EXPECT_EQ(kind(SnapAction::focus), SnapKind::focus());
    EXPECT_EQ(kind(SnapAction::bottomMiddleRightEighth), SnapKind::cells(4, 2, 2, 1, 1, 1));
    EXPECT_EQ(kind(SnapAction::bottomTwoThirds), SnapKind::cells(1, 3, 0, 1, 1, 2));
    EXPECT_NE(SnapKind::display(-1), SnapKind::history(-1));

    EXPECT_EQ(title(SnapAction::maximize), "Maximise");
    EXPECT_EQ(title(SnapAction::topMiddleLeftEighth), "Top centre-left");
    EXPECT_EQ(phrase(SnapAction::topMiddleLeftEighth), "the top centre-left eighth");
    EXPECT_EQ(phrase(SnapAction::maximize), "the whole screen");
    // Command phrases are their titles in lower case.
    EXPECT_EQ(phrase(SnapAction::previousDisplay), "move to last");
    EXPECT_EQ(phrase(SnapAction::focus), "focus on this");
    EXPECT_EQ(phrase(SnapAction::redo), "redo");
}

TEST(SnapAction, EveryActionBelongsToTheTabListingIt) {
    int listed = 0;
    for (SnapTab t : allSnapTabs()) {
        for (SnapAction a : actions(t)) {
            EXPECT_EQ(tab(a), t) << rawValue(a).toStdString();
            ++listed;
        }
    }
    EXPECT_EQ(listed, kSnapActionCount);
    EXPECT_TRUE(actions(SnapTab::appSnaps).isEmpty());
    // Four columns come after the eighths in declaration order but before quarters among tabs.
    EXPECT_EQ(tab(SnapAction::fourRightCentre), SnapTab::fourColumns);
    EXPECT_EQ(tab(SnapAction::undo), SnapTab::global);
    EXPECT_EQ(tab(SnapAction::middleThird), SnapTab::upDownThirds);
}

TEST(SnapAction, QualifiedTitle) {
    EXPECT_EQ(qualifiedTitle(SnapAction::centre), "Centre");
    EXPECT_EQ(qualifiedTitle(SnapAction::maximize), "Maximise");
    EXPECT_EQ(qualifiedTitle(SnapAction::centreThird), "Thirds: Centre");
    EXPECT_EQ(qualifiedTitle(SnapAction::middleThird), "Up-Down Thirds: Centre");
    EXPECT_EQ(qualifiedTitle(SnapAction::topCentreSixth), "Sixths: Top centre");
}

TEST(SnapAction, MultiPhrase) {
    EXPECT_EQ(multiPhrase(SnapAction::maximize, true), "maximised");
    EXPECT_EQ(multiPhrase(SnapAction::maximize, false), "maximised");
    EXPECT_EQ(multiPhrase(SnapAction::centre, true), "in the centre");
    EXPECT_EQ(multiPhrase(SnapAction::leftTwoThirds, true), "in 2 windows: two-thirds and a third");
    EXPECT_EQ(multiPhrase(SnapAction::bottomTwoThirds, true), "in 2 windows: two-thirds and a third");
    EXPECT_EQ(multiPhrase(SnapAction::topLeftEighth, true), "in 8 windows, one in each eighth");
    EXPECT_EQ(multiPhrase(SnapAction::topLeftEighth, false), "in the top-left eighth");
    EXPECT_EQ(multiPhrase(SnapAction::bottomHalf, true), "in 2 windows, one in each half");
    EXPECT_EQ(multiPhrase(SnapAction::middleThird, true), "in 3 windows, one in each third");
    EXPECT_EQ(multiPhrase(SnapAction::fourRight, true), "in 4 windows, one in each column");
    EXPECT_EQ(multiPhrase(SnapAction::bottomLeftQuarter, true), "in 4 windows, one in each quarter");
    EXPECT_EQ(multiPhrase(SnapAction::topCentreSixth, true), "in 6 windows, one in each sixth");
    EXPECT_EQ(multiPhrase(SnapAction::nextDisplay, true), "in move to next");
    EXPECT_EQ(multiPhrase(SnapAction::leftHalf, false), "in the left half");
}

TEST(SnapKind, BlocksOfStripsAndGrids) {
    using L = QList<Block>;
    EXPECT_EQ(kind(SnapAction::leftTwoThirds).blocks(), (L{{0, 0, 2, 1, true}, {2, 0, 1, 1, false}}));
    EXPECT_EQ(kind(SnapAction::rightTwoThirds).blocks(), (L{{0, 0, 1, 1, false}, {1, 0, 2, 1, true}}));
    EXPECT_EQ(kind(SnapAction::topTwoThirds).blocks(), (L{{0, 0, 1, 2, true}, {0, 2, 1, 1, false}}));
    EXPECT_EQ(kind(SnapAction::bottomTwoThirds).blocks(), (L{{0, 0, 1, 1, false}, {0, 1, 1, 2, true}}));
    EXPECT_EQ(kind(SnapAction::bottomRightSixth).blocks(), (L{{2, 1, 1, 1, true},
                                                              {0, 0, 1, 1, false},
                                                              {1, 0, 1, 1, false},
                                                              {2, 0, 1, 1, false},
                                                              {0, 1, 1, 1, false},
                                                              {1, 1, 1, 1, false}}));
    // A strip of a wider grid spanning the middle keeps ghosts on both sides.
    EXPECT_EQ(SnapKind::cells(5, 1, 1, 0, 3, 1).blocks(),
              (L{{0, 0, 1, 1, false}, {1, 0, 3, 1, true}, {4, 0, 1, 1, false}}));
}

TEST(SnapKind, MultiWindowCellsPutTheWindowFirstThenRowsThenColumns) {
    using L = QList<Block>;
    const struct {
        SnapKind kind;
        L cells;
    } cases[] = {
        {kind(SnapAction::rightTwoThirds), {{1, 0, 2, 1, true}, {0, 0, 1, 1, false}}},
        {kind(SnapAction::bottomTwoThirds), {{0, 1, 1, 2, true}, {0, 0, 1, 1, false}}},
        {kind(SnapAction::bottomRightQuarter),
         {{1, 1, 1, 1, true}, {0, 0, 1, 1, false}, {1, 0, 1, 1, false}, {0, 1, 1, 1, false}}},
        {kind(SnapAction::topMiddleRightEighth),
         {{2, 0, 1, 1, true},
          {0, 0, 1, 1, false},
          {1, 0, 1, 1, false},
          {3, 0, 1, 1, false},
          {0, 1, 1, 1, false},
          {1, 1, 1, 1, false},
          {2, 1, 1, 1, false},
          {3, 1, 1, 1, false}}},
        {SnapKind::cells(5, 1, 1, 0, 3, 1), {{1, 0, 3, 1, true}, {0, 0, 1, 1, false}, {4, 0, 1, 1, false}}},
        {SnapKind::maximize(), {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(multiWindowCells(c.kind), c.cells);
}

TEST(SnapKind, BlockCountsPerTabAndNoneForCommands) {
    const QHash<SnapTab, int> expected = {{SnapTab::halves, 2},          {SnapTab::twoThirds, 2},
                                          {SnapTab::thirds, 3},          {SnapTab::fourColumns, 4},
                                          {SnapTab::quarters, 4},        {SnapTab::sixths, 6},
                                          {SnapTab::eighths, 8},         {SnapTab::upDownHalves, 2},
                                          {SnapTab::upDownTwoThirds, 2}, {SnapTab::upDownThirds, 3}};
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        for (SnapAction a : actions(it.key())) {
            const auto blocks = kind(a).blocks();
            EXPECT_EQ(blocks.size(), it.value()) << rawValue(a).toStdString();
            EXPECT_EQ(
                std::count_if(blocks.cbegin(), blocks.cend(), [](const Block& b) { return b.isWindow; }), 1);
        }
    }
    for (SnapAction a : actions(SnapTab::global))
        EXPECT_TRUE(kind(a).blocks().isEmpty()) << rawValue(a).toStdString();
}

TEST(SnapTab, OrderTextsAndGrids) {
    QStringList raws;
    for (SnapTab t : allSnapTabs()) {
        raws << rawValue(t);
        EXPECT_EQ(snapTabFromRaw(rawValue(t)), t);
    }
    EXPECT_EQ(raws,
              (QStringList{"global", "halves", "twoThirds", "thirds", "fourColumns", "quarters", "sixths",
                           "eighths", "upDownHalves", "upDownTwoThirds", "upDownThirds", "appSnaps"}));
    EXPECT_EQ(snapTabFromRaw(u"Global"), std::nullopt);
    EXPECT_EQ(snapTabFromRaw(u"app_snaps"), std::nullopt);

    EXPECT_EQ(title(SnapTab::appSnaps), "Default App Snaps");
    EXPECT_EQ(subtitle(SnapTab::sixths), QString::fromUtf8("A 3 \u00d7 2 grid"));
    EXPECT_EQ(
        subtitle(SnapTab::global),
        "Centre, maximise, focus, move between displays, undo and redo, your modifier keys and multi-window");
    EXPECT_EQ(grid(SnapTab::global), std::nullopt);
    EXPECT_EQ(grid(SnapTab::appSnaps), std::nullopt);
    EXPECT_EQ(grid(SnapTab::eighths), (TabGrid{4, 2}));
    EXPECT_EQ(grid(SnapTab::upDownTwoThirds), (TabGrid{1, 3}));
    // Every layout of a tab lies on the tab's grid.
    for (SnapTab t : allSnapTabs()) {
        if (!grid(t))
            continue;
        for (SnapAction a : actions(t)) {
            EXPECT_EQ(kind(a).cellSpan().cols, grid(t)->columns);
            EXPECT_EQ(kind(a).cellSpan().rows, grid(t)->rows);
        }
    }
}

} // namespace
