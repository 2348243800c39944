#pragma once

#include "AppServices.h"

#include "tilewick/visuals/ViewServices.h"

#include <QMenu>
#include <QObject>

#include <memory>

class QSystemTrayIcon;

namespace tilewick {

class TilewickStore;
class AppShell;

// The menu-bar extra as a tray icon: the template icon tinted for the panel, and the tray menu.
// It shows while the store's `showInMenuBar` is on, and the menu follows the fields it reads.
// Panels that follow the freedesktop tray protocols (XEmbed or StatusNotifierItem) host it.
class MenuBarExtra final : public QObject {
    Q_OBJECT
public:
    MenuBarExtra(TilewickStore& store, const AppServices& services, AppShell& shell, ViewServices view,
                 QObject* parent = nullptr);
    ~MenuBarExtra() override;

    const QMenu& menu() const { return m_menu; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateIcon();
    void scheduleRebuild();
    void rebuild();
    void updateVisibility();

    TilewickStore& m_store;
    AppServices m_services;
    AppShell& m_shell;
    ViewServices m_view;
    QMenu m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    bool m_rebuildPending = false;
};

// The tray icon's image: the template in black on a light panel, white on a dark one.
QImage trayIconImage(bool darkPanel);

} // namespace tilewick
