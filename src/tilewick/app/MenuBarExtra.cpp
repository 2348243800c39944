#include "MenuBarExtra.h"

#include "MenuBarMenu.h"

#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/QuarterMenuBar.h"
#include "tilewick/visuals/Theme.h"

#include <QApplication>
#include <QPalette>
#include <QPointer>
#include <QSystemTrayIcon>

namespace tilewick {

QImage trayIconImage(bool darkPanel) {
    QImage image = tintedTemplate(menuBarImage(), darkPanel ? Qt::white : Qt::black);
    image.setDevicePixelRatio(2);
    return image;
}

MenuBarExtra::MenuBarExtra(TilewickStore& store, const AppServices& services, AppShell& shell,
                           ViewServices view, QObject* parent)
    : QObject(parent), m_store(store), m_services(services), m_shell(shell), m_view(std::move(view)) {
    m_icon = std::make_unique<QSystemTrayIcon>();
    updateIcon();
    // A switch of the desktop between light and dark repaints the icon for the panel.
    qApp->installEventFilter(this);
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

bool MenuBarExtra::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange)
        updateIcon();
    return false;
}

void MenuBarExtra::updateIcon() {
    m_icon->setIcon(QIcon(QPixmap::fromImage(trayIconImage(m_view.scheme() == Scheme::Dark))));
}

void MenuBarExtra::updateVisibility() {
    m_icon->setVisible(m_store.showInMenuBar());
}

} // namespace tilewick
