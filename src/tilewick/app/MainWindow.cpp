#include "MainWindow.h"

#include "MenuBarMenu.h"

#include "tilewick/mainwindow/MainView.h"
#include "tilewick/store/TilewickStore.h"

#include "platform/drawing/WindowFit.h"

#include <QMenuBar>

namespace tilewick {

namespace {

constexpr QSize kDefaultSize(956, 891);
constexpr QSize kMinimumSize(220, 220);

} // namespace

MainWindow::MainWindow(TilewickStore& store, const AppServices& services, AppShell& shell, ViewServices view,
                       QWidget* parent)
    : QMainWindow(parent), m_store(store), m_services(services), m_shell(shell), m_view(std::move(view)) {
    setObjectName(QLatin1String(kIdentifier));
    setWindowRole(QLatin1String(kIdentifier));
    setWindowTitle(QStringLiteral("Tilewick"));
    resize(kDefaultSize);
    // Never larger than the work area of its screen, nor outside it.
    platform::fitWhenShown(*this);
    updateContent();
    m_applicationMenu = menuBar()->addMenu(QStringLiteral("Tilewick"));
    m_helpMenu = menuBar()->addMenu(QStringLiteral("Help"));
    rebuildMenus();
    connect(&store, &TilewickStore::windowOpenChanged, this, &MainWindow::updateContent);
    // The toggles show the settings; a menu is rebuilt after the action that changed them has run.
    for (auto changed : {&TilewickStore::launchAtLoginChanged, &TilewickStore::keyboardOverlayChanged,
                         &TilewickStore::showInMenuBarChanged, &TilewickStore::showInDockChanged}) {
        connect(&store, changed, this, [this] {
            if (m_menusPending)
                return;
            m_menusPending = true;
            QPointer<MainWindow> self(this);
            m_view.runtime().async([self] {
                if (self)
                    self->rebuildMenus();
            });
        });
    }
}

void MainWindow::updateContent() {
    if (m_store.windowOpen() == bool(m_content))
        return;
    if (m_store.windowOpen()) {
        m_content =
            new MainView(m_store, m_view, MainViewOptions{m_services.showManual, m_services.isoKeyboard});
        setCentralWidget(m_content);
    } else {
        // An empty page: the window holds no view while it is closed. The old view is deleted
        // later; it no longer counts now.
        m_content = nullptr;
        setCentralWidget(new QWidget);
    }
    // The content decides the minimum, never below 220 × 220.
    centralWidget()->setMinimumSize(centralWidget()->minimumSizeHint().expandedTo(kMinimumSize));
}

void MainWindow::rebuildMenus() {
    m_menusPending = false;
    const CommandMenus commands = applicationCommands(m_store, m_services, m_shell);
    fillMenu(*m_applicationMenu, commands.application);
    fillMenu(*m_helpMenu, commands.help);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    m_store.mainWindowShown();
}

} // namespace tilewick
