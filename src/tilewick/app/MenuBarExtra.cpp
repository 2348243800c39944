#include "MenuBarExtra.h"

#include "MenuBarMenu.h"

#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/QuarterMenuBar.h"
#include "tilewick/visuals/Theme.h"

#include "platform/TrayColors.h"

#include <QApplication>
#include <QCursor>
#include <QIcon>
#include <QPointer>
#include <QSystemTrayIcon>

namespace tilewick {

QColor trayIconColor(std::optional<QColor> trayColor, Scheme scheme) {
    if (trayColor)
        return *trayColor;
    return scheme == Scheme::Dark ? Qt::white : Qt::black;
}

QImage trayIconImage(const QColor& color) {
    QImage image = tintedTemplate(menuBarImage(), color);
    image.setDevicePixelRatio(2);
    return image;
}

MenuBarExtra::MenuBarExtra(TilewickStore& store, const AppServices& services, AppShell& shell,
                           ViewServices view, std::shared_ptr<const platform::TrayColors> trayColors,
                           QObject* parent)
    : QObject(parent), m_store(store), m_services(services), m_shell(shell), m_view(std::move(view)),
      m_trayColors(std::move(trayColors)) {
    m_icon = std::make_unique<QSystemTrayIcon>();
    updateIcon();
    // The icon is tinted again when the tray's colours or the desktop's scheme change.
    m_view.whenSchemeChanges(this, [this] { updateIcon(); });
    if (m_trayColors)
        connect(m_trayColors.get(), &platform::TrayColors::changed, this, &MenuBarExtra::updateIcon);
    m_icon->setToolTip(QStringLiteral("Tilewick"));
    m_icon->setContextMenu(&m_menu);
    // A click on the icon opens the same menu as the menu-bar item does.
    connect(
        m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger)
                m_menu.popup(m_icon->geometry().isValid() ? m_icon->geometry().bottomLeft() : QCursor::pos());
        });
    rebuild();
    for (auto changed : {&TilewickStore::hotkeysActiveChanged, &TilewickStore::conflictsChanged,
                         &TilewickStore::launchAtLoginChanged, &TilewickStore::keyboardOverlayChanged,
                         &TilewickStore::showInMenuBarChanged, &TilewickStore::showInDockChanged})
        connect(&store, changed, this, &MenuBarExtra::scheduleRebuild);
    connect(&store, &TilewickStore::showInMenuBarChanged, this, &MenuBarExtra::updateVisibility);
    updateVisibility();
}

MenuBarExtra::~MenuBarExtra() = default;

void MenuBarExtra::scheduleRebuild() {
    // After the action that changed a field has returned: its menu item may go with the rebuild.
    if (m_rebuildPending)
        return;
    m_rebuildPending = true;
    QPointer<MenuBarExtra> self(this);
    m_view.runtime().async([self] {
        if (self)
            self->rebuild();
    });
}

void MenuBarExtra::rebuild() {
    m_rebuildPending = false;
    fillMenu(m_menu, menuBarMenu(m_store, m_services, m_shell));
}

QIcon MenuBarExtra::icon() const {
    return m_icon->icon();
}

void MenuBarExtra::updateIcon() {
    const std::optional<QColor> trayColor = m_trayColors ? m_trayColors->iconColor() : std::nullopt;
    m_icon->setIcon(QIcon(QPixmap::fromImage(trayIconImage(trayIconColor(trayColor, m_view.scheme())))));
}

void MenuBarExtra::updateVisibility() {
    m_icon->setVisible(m_store.showInMenuBar());
}

} // namespace tilewick
