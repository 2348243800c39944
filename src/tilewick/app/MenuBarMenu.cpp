#include "MenuBarMenu.h"

#include "tilewick/store/StoreHooks.h"
#include "tilewick/store/TilewickStore.h"

#include <QMenu>

namespace tilewick {

namespace {

using Kind = MenuItem::Kind;

MenuItem button(const QString& text, const std::function<void()>& action, QKeySequence shortcut = {}) {
    MenuItem item{Kind::Button, text, false, bool(action), shortcut, {}};
    if (action)
        item.trigger = [action](bool) { action(); };
    return item;
}

MenuItem text(const QString& text) {
    return {Kind::Text, text, false, false, {}, {}};
}

MenuItem divider() {
    return {Kind::Divider, {}, false, false, {}, {}};
}

MenuItem toggle(const QString& text, bool on, std::function<void(bool)> set) {
    return {Kind::Toggle, text, on, true, {}, std::move(set)};
}

// The four settings toggles, shared by the tray menu and the application menu.
QList<MenuItem> settingsToggles(TilewickStore& store) {
    TilewickStore* s = &store;
    return {
        toggle(QStringLiteral("Start at Login"), store.launchAtLogin(),
               [s](bool on) { s->setLaunchAtLogin(on); }),
        toggle(QStringLiteral("Show Keyboard While Holding Modifiers"), store.keyboardOverlay(),
               [s](bool on) { s->setKeyboardOverlay(on); }),
        toggle(QStringLiteral("Show in Menu Bar"), store.showInMenuBar(),
               [s](bool on) { s->setShowInMenuBar(on); }),
        toggle(QStringLiteral("Show in Dock"), store.showInDock(), [s](bool on) { s->setShowInDock(on); }),
    };
}

} // namespace

QList<MenuItem> menuBarMenu(TilewickStore& store, const AppServices& services, AppShell& shell) {
    TilewickStore* s = &store;
    QList<MenuItem> items;
    items << button(QStringLiteral("Open Tilewick\u2026"), [s] { s->showMainWindow(); });
    items << text(store.hotkeysActive() ? QStringLiteral("Hotkeys active")
                                        : QStringLiteral("Needs Accessibility access"));
    for (const ConflictingApp& app : store.conflicts())
        items << text(QStringLiteral("\u26A0\uFE0E ") + app.name + QStringLiteral(" is running too"));
    items << divider();
    items << settingsToggles(store);
    items << divider();
    items << button(QStringLiteral("Tilewick Manual"), services.showManual);
    items << button(QStringLiteral("Send Beta Feedback\u2026"), services.showFeedback);
    items << button(QStringLiteral("Check for Beta Update\u2026"), services.checkForUpdate);
    items << button(QStringLiteral("About Tilewick"), services.showAbout);
    AppShell* appShell = &shell;
    items << button(
        QStringLiteral("Quit Tilewick"), [appShell] { appShell->terminate(); },
        QKeySequence(Qt::CTRL | Qt::Key_Q));
    return items;
}

CommandMenus applicationCommands(TilewickStore& store, const AppServices& services, AppShell& shell) {
    TilewickStore* s = &store;
    AppShell* appShell = &shell;
    CommandMenus menus;
    menus.application << button(QStringLiteral("About Tilewick"), services.showAbout);
    menus.application << button(QStringLiteral("Check for Beta Update\u2026"), services.checkForUpdate);
    menus.application << button(QStringLiteral("Changelog"), services.showChangelog);
    menus.application << divider();
    menus.application << settingsToggles(store);
    menus.application << divider();
    menus.application << button(QStringLiteral("Reset Hotkeys to Defaults\u2026"),
                                [s] { s->resetAllHotkeys(); });
    // The application menu of the desktop this design comes from ends with Quit.
    menus.application << divider();
    menus.application << button(
        QStringLiteral("Quit Tilewick"), [appShell] { appShell->terminate(); },
        QKeySequence(Qt::CTRL | Qt::Key_Q));
    menus.help << button(QStringLiteral("Tilewick Manual"), services.showManual,
                         QKeySequence(Qt::CTRL | Qt::Key_Question));
    return menus;
}

void fillMenu(QMenu& menu, const QList<MenuItem>& items) {
    menu.clear();
    for (const MenuItem& item : items) {
        if (item.kind == Kind::Divider) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(item.text);
        action->setEnabled(item.enabled);
        action->setShortcut(item.shortcut);
        if (item.kind == Kind::Toggle) {
            action->setCheckable(true);
            action->setChecked(item.checked);
        }
        if (item.trigger) {
            const auto trigger = item.trigger;
            QObject::connect(action, &QAction::triggered, action,
                             [trigger](bool checked) { trigger(checked); });
        }
    }
}

} // namespace tilewick
