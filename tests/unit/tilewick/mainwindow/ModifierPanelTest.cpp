#include "PageTest.h"

#include "tilewick/mainwindow/MainView.h"
#include "tilewick/mainwindow/ModifierPanel.h"
#include "tilewick/mainwindow/PageArea.h"
#include "tilewick/mainwindow/TabPage.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCoreApplication>

using namespace tilewick;

namespace {

constexpr quint64 kOptCmd = kOptionFlag | kCommandFlag;
const QString kTip =
    "Click, then hold 2 or 3 of shift, control, option and command. Click outside or press Esc when done";

TEST(ModifierSymbolsTest, CaptionsAndSpacing) {
    EXPECT_EQ(ModifierPanel::caption(kOptCmd), "OPT\u00A0+\u00A0CMD");
    EXPECT_EQ(ModifierPanel::caption(kCommandFlag | kShiftFlag | kControlFlag),
              "CTRL\u00A0+\u00A0SHIFT\u00A0+\u00A0CMD");

    struct Case {
        quint64 modifiers;
        bool labels;
        qreal spacing;
        QStringList names;
    };
    const Case cases[] = {
        {kOptCmd, true, 24, {"option", "command"}},
        {kCommandFlag | kOptionFlag | kControlFlag, true, 10.5, {"control", "option", "command"}},
        {kShiftFlag | kControlFlag, false, 9, {"control", "shift"}},
    };
    for (const Case& c : cases) {
        const ModifierSymbols symbols{c.modifiers, 30, c.labels};
        EXPECT_DOUBLE_EQ(symbols.spacing(), c.spacing);
        const QList<ModifierSymbols::Item> items = symbols.items();
        QStringList names;
        for (const auto& item : items)
            names << item.name;
        EXPECT_EQ(names, c.names);
        for (qsizetype i = 1; i < items.size(); ++i)
            EXPECT_NEAR(items[i].rect.left() - items[i - 1].rect.right(), c.spacing, 1e-9);
        EXPECT_EQ(items.first().rect.top(), 0);
    }
}

class ModifierPanelTest : public PageTest {
protected:
    ModifierPanel* panel() {
        auto* made = show(new ModifierPanel(context(), TabPageLayout::kModifierPanel));
        made->setPos(10, 170);
        return made;
    }
};

TEST_F(ModifierPanelTest, TheEditingFlowWithTheStore) {
    ModifierPanel* p = panel();
    const QRectF frame(110, 220, 360.4, 148.56);
    EXPECT_EQ(host.panelFrames.back(), frame);
    EXPECT_EQ(ModifierPanel::captionText(false), "EDIT MODIFIERS");
    EXPECT_EQ(ModifierPanel::captionSymbol(false), "square.and.pencil");
    EXPECT_TRUE(p->lift().options().enabled);
    EXPECT_TRUE(p->lift().options().pencil);
    EXPECT_FALSE(p->advance(ViewServices::of(platform()).now()));

    // A click: editing, the frame said again, the blinking bar, no lift.
    const size_t reports = host.panelFrames.size();
    p->activate();
    EXPECT_TRUE(store().editingModifiers());
    ASSERT_EQ(host.panelFrames.size(), reports + 1);
    EXPECT_EQ(host.panelFrames.back(), frame);
    EXPECT_FALSE(p->lift().options().enabled);
    EXPECT_FALSE(p->hasCursor());
    EXPECT_TRUE(p->advance(ViewServices::of(platform()).now()));
    EXPECT_EQ(ModifierPanel::captionText(true), "HOLD 2 OR 3 MODIFIERS");
    EXPECT_EQ(ModifierPanel::captionSymbol(true), "keyboard");
    // Clicking again changes nothing.
    p->activate();
    EXPECT_TRUE(store().editingModifiers());
    EXPECT_FALSE(store().modifiersTyped());

    // One key waits for a second; two make the set at once, and the symbols follow.
    store().recordModifierChord(kControlFlag);
    EXPECT_EQ(store().modifiers(), kOptCmd);
    store().recordModifierChord(kControlFlag | kShiftFlag);
    EXPECT_EQ(store().modifiers(), kControlFlag | kShiftFlag);
    EXPECT_TRUE(store().modifiersTyped());
    EXPECT_FALSE(p->advance(ViewServices::of(platform()).now())); // no more blinking
    EXPECT_EQ(p->accessibleValue(), "CTRL\u00A0+\u00A0SHIFT");
    // All four are refused.
    store().recordModifierChord(kControlFlag | kShiftFlag | kOptionFlag);
    store().recordModifierChord(kControlFlag | kShiftFlag | kOptionFlag | kCommandFlag);
    EXPECT_EQ(store().modifiers(), kControlFlag | kShiftFlag | kOptionFlag);
    EXPECT_EQ(store().note(), "Tilewick modifiers can be 2 or 3 keys, not all 4.");

    store().finishEditingModifiers();
    EXPECT_TRUE(p->lift().options().enabled);
    EXPECT_EQ(p->accessibleValue(), "CTRL\u00A0+\u00A0OPT\u00A0+\u00A0SHIFT");
}

TEST_F(ModifierPanelTest, HoverAndAccessibility) {
    ModifierPanel* p = panel();
    EXPECT_EQ(p->tipText(), kTip);
    store().setHoveredModifierKey(true);
    EXPECT_TRUE(p->lift().pulsing(false));
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(p);
    ASSERT_TRUE(accessible);
    EXPECT_EQ(accessible->role(), QAccessible::Button);
    EXPECT_EQ(accessible->text(QAccessible::Description), kTip);
    EXPECT_EQ(accessible->actionInterface()->actionNames(), QStringList{"Change modifier keys"});
    accessible->actionInterface()->doAction("Change modifier keys");
    EXPECT_TRUE(store().editingModifiers());
    // Editing: hovering the panel does not lift it, nor does the modifier key make it pulse.
    EXPECT_FALSE(p->lift().pulsing(false));
    p->setHovered(true, {20, 180});
    EXPECT_FALSE(p->lift().lit());
}

// In the main view: a finished edit forgets the panel's frame, and the next edit has it again.
TEST_F(ModifierPanelTest, TheMainViewForgetsThePanelWhenAnEditEnds) {
    MainView view(store(), ViewServices::of(platform()));
    view.resize(956, 891);
    view.show();
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(store().tab(), SnapTab::global);
    const QRectF shown = view.clickFrames().modifierPanel;
    EXPECT_FALSE(shown.isEmpty());
    EXPECT_TRUE(view.rect().contains(shown.toRect()));

    store().beginEditingModifiers();
    EXPECT_EQ(view.clickFrames().modifierPanel, shown);
    store().finishEditingModifiers();
    EXPECT_EQ(view.clickFrames().modifierPanel, QRectF());
    store().beginEditingModifiers();
    EXPECT_EQ(view.clickFrames().modifierPanel, shown);

    // Another tab: no panel shows, so any click ends an edit.
    store().setTab(SnapTab::halves);
    EXPECT_EQ(view.clickFrames().modifierPanel, QRectF());
}

} // namespace
