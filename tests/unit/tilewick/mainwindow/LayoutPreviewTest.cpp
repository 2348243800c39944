#include "tilewick/mainwindow/LayoutPreview.h"

#include <gtest/gtest.h>

using namespace tilewick;
using A = SnapAction;
using P = WindowBlock::ModsPlacement;

namespace {

constexpr quint64 kOptCmd = kOptionFlag | kCommandFlag;

LayoutPreview preview(A action, bool showsKey = true, bool canRedo = true) {
    return {action, defaultHotkey(action), kOptCmd, showsKey, canRedo};
}

void expectRect(const QRectF& actual, const QRectF& expected) {
    EXPECT_NEAR(actual.x(), expected.x(), 1e-9);
    EXPECT_NEAR(actual.y(), expected.y(), 1e-9);
    EXPECT_NEAR(actual.width(), expected.width(), 1e-9);
    EXPECT_NEAR(actual.height(), expected.height(), 1e-9);
}

// A 196 × 78 drawing (an eighth's card) has its screen content at (3, 8), 190 × 67.
TEST(LayoutPreviewTest, CellsAreInsetOnTheirGrid) {
    const QSizeF size(196, 78);
    struct Case {
        A action;
        QRectF window;
        int others;
        P placement;
    };
    const Case cases[] = {
        // A half: cells 95 × 67.
        {A::leftHalf, {4.5, 9.5, 92, 64}, 1, P::above},
        {A::rightTwoThirds, {3 + 190.0 / 3 + 1.5, 9.5, 190.0 / 3 * 2 - 3, 64}, 1, P::above},
        {A::bottomRightQuarter, {3 + 95 + 1.5, 8 + 33.5 + 1.5, 92, 30.5}, 3, P::beside},
        {A::topMiddleRightEighth, {3 + 2 * 47.5 + 1.5, 9.5, 44.5, 30.5}, 7, P::none},
        {A::fourLeft, {4.5, 9.5, 44.5, 64}, 3, P::above},
        {A::bottomThird, {4.5, 8 + 2 * 67.0 / 3 + 1.5, 187, 67.0 / 3 - 3}, 2, P::beside},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rawValue(c.action).toStdString());
        const LayoutPreview::Drawing d = preview(c.action).layout(size);
        ASSERT_EQ(d.displays, QList<QRectF>{QRectF(0, 0, 196, 78)});
        ASSERT_EQ(d.blocks.size(), 1);
        expectRect(d.blocks[0].rect, c.window);
        EXPECT_FALSE(d.blocks[0].block.ghost);
        EXPECT_EQ(d.blocks[0].block.modsPlacement, c.placement);
        EXPECT_EQ(d.blocks[0].block.mods, (QStringList{"option", "command"}));
        EXPECT_EQ(d.cells.size(), c.others);
        EXPECT_FALSE(d.arrow);
        EXPECT_FALSE(d.greyed);
    }
}

// The Global tab's drawings are 149.2 × 58.28: content 143.2 × 47.28 from (3, 8).
TEST(LayoutPreviewTest, CommandDrawings) {
    const QSizeF size(149.2, 58.28);
    const qreal w = 143.2, h = 47.28;

    const LayoutPreview::Drawing centre = preview(A::centre, false).layout(size);
    ASSERT_EQ(centre.blocks.size(), 1);
    expectRect(centre.blocks[0].rect, {3 + (w - 0.56 * w) / 2, 8 + (h - 0.62 * h) / 2, 0.56 * w, 0.62 * h});
    EXPECT_FALSE(centre.blocks[0].block.key); // the Global cards draw no key

    const LayoutPreview::Drawing maximize = preview(A::maximize).layout(size);
    expectRect(maximize.blocks[0].rect, {3, 8, w, h});

    const LayoutPreview::Drawing focus = preview(A::focus).layout(size);
    ASSERT_EQ(focus.blocks.size(), 4);
    const qreal row = 3 * 0.1 * w + 6;
    for (int i = 1; i < 4; ++i) {
        EXPECT_TRUE(focus.blocks[i].block.ghost);
        expectRect(focus.blocks[i].rect,
                   {3 + (w - row) / 2 + (i - 1) * (0.1 * w + 3), 8 + h - 2 - 0.1 * h, 0.1 * w, 0.1 * h});
    }

    // Undo: the solid block with its key, the arrow, a ghost; the symbol is min(h / 2, 18).
    const LayoutPreview::Drawing undo = preview(A::undo).layout(size);
    ASSERT_EQ(undo.blocks.size(), 2);
    const qreal symbol = 18;
    const qreal block = (w - 8 - symbol) / 2;
    expectRect(undo.blocks[0].rect, {3, 8, block, h});
    expectRect(undo.blocks[1].rect, {3 + w - block, 8, block, h});
    EXPECT_FALSE(undo.blocks[0].block.ghost);
    EXPECT_TRUE(undo.blocks[1].block.ghost);
    EXPECT_EQ(undo.blocks[0].block.modsPlacement, P::beside);
    ASSERT_TRUE(undo.symbol);
    EXPECT_EQ(undo.symbol->name, "arrow.counterclockwise");
    EXPECT_DOUBLE_EQ(undo.symbol->size, symbol);
    EXPECT_FALSE(preview(A::undo, true, false).layout(size).greyed); // undo is never greyed

    const LayoutPreview::Drawing redo = preview(A::redo, true, false).layout(size);
    EXPECT_TRUE(redo.blocks[0].block.ghost);
    EXPECT_FALSE(redo.blocks[1].block.ghost);
    EXPECT_EQ(redo.symbol->name, "arrow.clockwise");
    EXPECT_TRUE(redo.greyed);
    EXPECT_FALSE(preview(A::redo, true, true).layout(size).greyed);
    // A low drawing makes the arrow half its content's height.
    EXPECT_DOUBLE_EQ(preview(A::undo).layout({149.2, 40}).symbol->size, 14.5);
}

TEST(LayoutPreviewTest, DisplayMovesShowTwoScreensAndAnArrow) {
    const QSizeF size(149.2, 58.28);
    const qreal display = (149.2 - 12 - 15) / 2;
    for (A action : {A::previousDisplay, A::nextDisplay}) {
        SCOPED_TRACE(rawValue(action).toStdString());
        const bool next = action == A::nextDisplay;
        const LayoutPreview::Drawing d = preview(action).layout(size);
        ASSERT_EQ(d.displays.size(), 2);
        expectRect(d.displays[0], {0, 0, display, 58.28});
        expectRect(d.displays[1], {display + 27, 0, display, 58.28});
        expectRect(*d.arrow, {display + 6, (58.28 - 11) / 2, 15, 11});
        EXPECT_EQ(d.arrowLeft, !next);
        ASSERT_EQ(d.blocks.size(), 2);
        // The ghost where the window was, the solid block where it goes.
        EXPECT_EQ(d.blocks[0].block.ghost, next);
        EXPECT_EQ(d.blocks[1].block.ghost, !next);
        const WindowBlock& moved = d.blocks[next ? 1 : 0].block;
        EXPECT_TRUE(moved.key);
        EXPECT_TRUE(moved.mods.isEmpty());
        EXPECT_EQ(moved.modsPlacement, P::none);
        const qreal cw = display - 6, ch = 58.28 - 11;
        expectRect(d.blocks[0].rect, {3 + 0.15 * cw, 8 + 0.19 * ch, 0.7 * cw, 0.62 * ch});
    }
}

TEST(LayoutPreviewTest, KeysAndModifierNames) {
    // No hotkey, or no key wanted: no label.
    EXPECT_FALSE((LayoutPreview{A::leftHalf, std::nullopt, kOptCmd, true, true})
                     .layout({430, 240})
                     .blocks[0]
                     .block.key);
    EXPECT_FALSE(preview(A::leftHalf, false).layout({430, 240}).blocks[0].block.key);
    EXPECT_EQ(preview(A::leftHalf).layout({430, 240}).blocks[0].block.key,
              Hotkey::Part::symbol("arrowtriangle.left.fill"));
    // Always Control, Option, Shift, Command, whatever the bits.
    EXPECT_EQ(LayoutPreview::modifierNames(kCommandFlag | kControlFlag | kShiftFlag),
              (QStringList{"control", "shift", "command"}));
    EXPECT_EQ(LayoutPreview::modifierNames(kOptCmd), (QStringList{"option", "command"}));
}

TEST(WindowBlockTest, KeyLabels) {
    const WindowBlock text{false, Hotkey::Part::text("Q"), {"option", "command"}, P::above};
    // s = min(w, h) · 0.08 + 15 within 13 … 26.
    EXPECT_DOUBLE_EQ(text.label({100, 60})->base, 19.8);
    EXPECT_DOUBLE_EQ(text.label({400, 300})->base, 26);
    EXPECT_DOUBLE_EQ(text.label({16, 16})->base, 16.28);
    // Below 16 points either way, or a ghost, or no key: no label.
    EXPECT_FALSE(text.label({15.9, 100}));
    EXPECT_FALSE(text.label({100, 15.9}));
    EXPECT_FALSE((WindowBlock{true, Hotkey::Part::text("Q"), {}, P::none}).label({100, 100}));
    EXPECT_FALSE((WindowBlock{false, std::nullopt, {"option"}, P::above}).label({100, 100}));

    // Letters and digits at s, punctuation at 1.3 s, symbols at 1.35 s.
    EXPECT_DOUBLE_EQ(text.label({100, 60})->glyphSize, 19.8);
    EXPECT_DOUBLE_EQ((WindowBlock{false, Hotkey::Part::text("1"), {}, P::none}).label({100, 60})->glyphSize,
                     19.8);
    EXPECT_DOUBLE_EQ((WindowBlock{false, Hotkey::Part::text("["), {}, P::none}).label({100, 60})->glyphSize,
                     25.74);
    EXPECT_DOUBLE_EQ((WindowBlock{false, Hotkey::Part::text(";"), {}, P::none}).label({100, 60})->glyphSize,
                     25.74);
    const auto symbol = WindowBlock{false, Hotkey::Part::symbol("return"), {}, P::none}.label({100, 60});
    EXPECT_TRUE(symbol->symbol);
    EXPECT_DOUBLE_EQ(symbol->glyphSize, 1.35 * 19.8);

    // The symbols come along when the arrangement fits the label's frame, else the key alone.
    const auto roomy = text.label({209, 226});
    EXPECT_TRUE(roomy->showsMods);
    EXPECT_DOUBLE_EQ(roomy->modsRow.width(), 2 * 0.6 * 26 + 0.08 * 26);
    EXPECT_NEAR(roomy->size.height(), (0.6 + 0.18 + 0.74) * 26, 1e-9);
    const auto low = text.label({60, 30}); // 1.52 s does not fit 26 points
    EXPECT_FALSE(low->showsMods);
    EXPECT_EQ(low->size, low->glyph);
    const WindowBlock beside{false, Hotkey::Part::text("Q"), {"option", "command"}, P::beside};
    EXPECT_TRUE(beside.label({92, 30.5})->showsMods);
    EXPECT_FALSE(beside.label({30, 30.5})->showsMods);
}

} // namespace
