#include "support/StoreTest.h"

#include "tilewick/app/MenuBarMenu.h"

#include <QMenu>

using namespace tilewick;
using Kind = MenuItem::Kind;

namespace {

QStringList texts(const QList<MenuItem>& items) {
    QStringList result;
    for (const MenuItem& item : items)
        result << (item.kind == Kind::Divider ? QStringLiteral("---") : item.text);
    return result;
}

const MenuItem& itemNamed(const QList<MenuItem>& items, const QString& text) {
    static const MenuItem none;
    for (const MenuItem& item : items)
        if (item.text == text)
            return item;
    ADD_FAILURE() << "no item " << text.toStdString();
    return none;
}

// The settings toggles both menus carry, between dividers.
const QStringList kToggles = {
    "---", "Start at Login", "Show Keyboard While Holding Modifiers", "Show in Menu Bar", "Show in Dock",
    "---"};

class MenuBarMenuTest : public StoreTest {};

TEST_F(MenuBarMenuTest, ListsItsItemsFromTheStore) {
    desktop().setTrusted(false);
    makeStore();
    store().setConflicts({{"com.a", "Magnet", 4}, {"com.b", "Rectangle", 5}});
    bool manualShown = false;
    AppServices services;
    services.showManual = [&] { manualShown = true; };

    const auto items = menuBarMenu(store(), services, *shell);
    EXPECT_EQ(texts(items),
              QStringList({"Open Tilewick\u2026", "Needs Accessibility access",
                           "\u26A0\uFE0E Magnet is running too", "\u26A0\uFE0E Rectangle is running too"}) +
                  kToggles +
                  QStringList({"Tilewick Manual", "Send Beta Feedback\u2026", "Check for Beta Update\u2026",
                               "About Tilewick", "Quit Tilewick"}));
    // Texts and the services not built yet are shown but cannot be chosen.
    for (const char* disabled : {"Needs Accessibility access", "Send Beta Feedback\u2026", "About Tilewick"})
        EXPECT_FALSE(itemNamed(items, QString::fromUtf8(disabled)).enabled) << disabled;
    itemNamed(items, "Tilewick Manual").trigger(false);
    EXPECT_TRUE(manualShown);
    bool quit = false;
    shell->onTerminate = [&] { quit = true; };
    itemNamed(items, "Quit Tilewick").trigger(false);
    EXPECT_TRUE(quit);
    EXPECT_EQ(itemNamed(items, "Quit Tilewick").shortcut, QKeySequence("Ctrl+Q"));

    store().setHotkeysActive(true);
    EXPECT_EQ(menuBarMenu(store(), services, *shell)[1].text, "Hotkeys active");
}

TEST_F(MenuBarMenuTest, TogglesGoThroughTheStoreSetters) {
    makeStore();
    store().setShowInDock(false);
    auto items = menuBarMenu(store(), {}, *shell);
    EXPECT_FALSE(itemNamed(items, "Show in Dock").checked);
    EXPECT_TRUE(itemNamed(items, "Show in Menu Bar").checked);

    // The tray item and the taskbar presence are never both off.
    itemNamed(items, "Show in Menu Bar").trigger(false);
    EXPECT_FALSE(store().showInMenuBar());
    EXPECT_TRUE(store().showInDock());
    itemNamed(items, "Show Keyboard While Holding Modifiers").trigger(false);
    EXPECT_FALSE(store().keyboardOverlay());

    items = menuBarMenu(store(), {}, *shell);
    EXPECT_FALSE(itemNamed(items, "Show in Menu Bar").checked);
    EXPECT_TRUE(itemNamed(items, "Show in Dock").checked);
}

TEST_F(MenuBarMenuTest, ApplicationCommandsHaveNoNewWindowAndTheManualOnCtrlQuestionMark) {
    makeStore();
    const CommandMenus menus = applicationCommands(store(), {}, *shell);
    EXPECT_EQ(texts(menus.application),
              QStringList({"About Tilewick", "Check for Beta Update\u2026", "Changelog"}) + kToggles +
                  QStringList({"Reset Hotkeys to Defaults\u2026", "---", "Quit Tilewick"}));
    EXPECT_EQ(texts(menus.help), QStringList{"Tilewick Manual"});
    EXPECT_EQ(menus.help[0].shortcut, QKeySequence(Qt::CTRL | Qt::Key_Question));

    // The menu shows what the model says.
    QMenu menu;
    fillMenu(menu, menus.application);
    ASSERT_EQ(menu.actions().size(), menus.application.size());
    EXPECT_TRUE(menu.actions()[3]->isSeparator());
    EXPECT_TRUE(menu.actions()[4]->isCheckable());
    EXPECT_FALSE(menu.actions()[0]->isEnabled());
    EXPECT_TRUE(menu.actions()[9]->isEnabled());
}

} // namespace
