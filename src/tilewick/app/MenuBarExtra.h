#pragma once

#include "AppServices.h"

#include "tilewick/visuals/ViewServices.h"

#include <QMenu>
#include <QObject>

#include <memory>

class QSystemTrayIcon;

namespace platform {
class TrayColors;
}

namespace tilewick {

class TilewickStore;
class AppShell;

// The menu-bar extra as a tray icon: the template icon tinted for the panel, and the tray menu.
// It shows while the store's `showInMenuBar` is on, and the menu follows the fields it reads.
// Panels that follow the freedesktop tray protocols (XEmbed or StatusNotifierItem) host it.
class MenuBarExtra final : public QObject {
    Q_OBJECT
public:
    // Without tray colours the icon follows the light or dark appearance.
    MenuBarExtra(TilewickStore& store, const AppServices& services, AppShell& shell, ViewServices view,
                 std::shared_ptr<const platform::TrayColors> trayColors, QObject* parent = nullptr);
    ~MenuBarExtra() override;

    const QMenu& menu() const { return m_menu; }
    // The icon as the tray shows it.
    QIcon icon() const;

private:
    void updateIcon();
    void scheduleRebuild();
    void rebuild();
    void updateVisibility();

    TilewickStore& m_store;
    AppServices m_services;
    AppShell& m_shell;
    ViewServices m_view;
    std::shared_ptr<const platform::TrayColors> m_trayColors;
    QMenu m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    bool m_rebuildPending = false;
};

// The colour of the tray icon: the one the tray asks for, else black on a light panel and white
// on a dark one.
QColor trayIconColor(std::optional<QColor> trayColor, Scheme scheme);
// The tray icon's image: the template in `color`.
QImage trayIconImage(const QColor& color);

} // namespace tilewick
