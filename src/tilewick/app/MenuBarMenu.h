#pragma once

#include "AppServices.h"

#include <QKeySequence>
#include <QList>
#include <QString>

#include <functional>

class QMenu;

namespace tilewick {

class TilewickStore;
class AppShell;

// One item of a menu, as the menu shows it now.
struct MenuItem {
    enum class Kind { Button, Text, Divider, Toggle };
    Kind kind = Kind::Button;
    QString text;
    // Toggles: shown on.
    bool checked = false;
    // False for a service not built yet, and for texts.
    bool enabled = true;
    QKeySequence shortcut;
    // Buttons: run with false; toggles: run with the new value.
    std::function<void(bool)> trigger;
};

// The tray menu, top to bottom, from the store's fields now.
QList<MenuItem> menuBarMenu(TilewickStore& store, const AppServices& services, AppShell& shell);

// The application commands of the main window's menu bar: the application menu, then Help.
struct CommandMenus {
    QList<MenuItem> application;
    QList<MenuItem> help;
};
CommandMenus applicationCommands(TilewickStore& store, const AppServices& services, AppShell& shell);

// Replaces the items of `menu` with `items`.
void fillMenu(QMenu& menu, const QList<MenuItem>& items);

} // namespace tilewick
