#include "MainWindow.h"

#include "MenuBarMenu.h"

#include "platform/Platform.h"
#include "platform/Runtime.h"
#include "tilewick/mainwindow/MainView.h"
#include "tilewick/store/TilewickStore.h"

#include <QMenuBar>

namespace tilewick {

namespace {

constexpr QSize kDefaultSize(956, 891);
constexpr QSize kMinimumSize(220, 220);

} // namespace

MainWindow::MainWindow(TilewickStore& store, const AppServices& services, AppShell& shell, QWidget* parent)
    : QMainWindow(parent), m_store(store), m_services(services), m_shell(shell) {
    setObjectName(QLatin1String(kIdentifier));
    setWindowRole(QLatin1String(kIdentifier));
    setWindowTitle(QStringLiteral("Tilewick"));
    resize(kDefaultSize);
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
            QMetaObject::invokeMethod(this, &MainWindow::rebuildMenus, Qt::QueuedConnection);
        });
    }
}

void MainWindow::updateContent() {
    if (m_store.windowOpen() == bool(m_view))
        return;
    if (m_store.windowOpen()) {
        m_view = new MainView(m_store);
        setCentralWidget(m_view);
    } else {
        // An empty page: the window holds no view while it is closed. The old view is deleted
        // later; it no longer counts now.
        m_view = nullptr;
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
    m_store.setWindowOpen(true);
    // Once on screen the window gets its standard size, after the current turn.
    QPointer<MainWindow> self(this);
    platform::Platform::current().runtime().async([self] {
        if (self)
            self->m_store.restoreMainWindowSize(false);
    });
}

} // namespace tilewick
