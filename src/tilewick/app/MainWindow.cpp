#include "MainWindow.h"

#include "MenuBarMenu.h"

#include "tilewick/engine/WindowMover.h"
#include "tilewick/mainwindow/MainView.h"
#include "tilewick/store/TilewickStore.h"

#include "platform/ResidentFilePages.h"
#include "platform/drawing/WindowFit.h"

#include <QBackingStore>
#include <QCoreApplication>
#include <QEvent>
#include <QMenuBar>
#include <QPaintEvent>
#include <QWindow>

#include <utility>

namespace tilewick {

namespace {

constexpr QSize kDefaultSize(956, 891);
constexpr QSize kMinimumSize(220, 220);

} // namespace

MainWindow::MainWindow(TilewickStore& store, const AppServices& services, AppShell& shell, ViewServices view,
                       QWidget* parent, FirstView firstView)
    : QMainWindow(parent), m_store(store), m_services(services), m_shell(shell), m_view(std::move(view)) {
    setObjectName(QLatin1String(kIdentifier));
    setWindowRole(QLatin1String(kIdentifier));
    setWindowTitle(QStringLiteral("Tilewick"));
    resize(kDefaultSize);
    // Never larger than the work area of its screen, nor outside it.
    platform::fitWhenShown(*this);
    if (firstView == FirstView::WithWindow)
        updateContent();
    else
        setCentralWidget(new QWidget);
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

void MainWindow::showBuildingView(const std::function<void()>& sendShown) {
    // What the program holds is noted before the window first shows, not as the view is made
    // after it: the show itself runs library code (text shaping, the native window), and that
    // goes back too when the window closes.
    platform::noteResidentFilePages();
    show();
    if (sendShown)
        sendShown();
    updateContent();
    // A view set into a shown window is shown on the next turn; shown now, it is laid out at the
    // window's size at once (showing a child lays out its window), and the first picture has it.
    if (m_content)
        m_content->show();
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

void MainWindow::whenFirstDrawn(std::function<void()> work, double patience) {
    m_afterFirstPicture = std::move(work);
    QPointer<MainWindow> self(this);
    m_firstPictureWait = m_view.runtime().after(patience, [self] {
        if (self && self->m_afterFirstPicture)
            std::exchange(self->m_afterFirstPicture, nullptr)();
    });
}

void MainWindow::holdPaintWhileMoving(const WindowMover& mover, std::function<bool()> hotkeyQueued) {
    m_mover = &mover;
    m_hotkeyQueued = std::move(hotkeyQueued);
    connect(&mover, &WindowMover::settled, this, [this] {
        m_paintWaitedEnough = false;
        releasePaint();
    });
}

bool MainWindow::moveOnItsWay() const {
    return m_mover && (m_mover->isBusy() || (m_hotkeyQueued && m_hotkeyQueued()));
}

void MainWindow::releaseAfterQueuedHotkeys() {
    // Queued after the hotkeys' actions, so it runs once they have started their moves.
    QPointer<MainWindow> self(this);
    m_view.runtime().async([self] {
        if (!self || !self->m_paintHeld || !self->m_mover || self->m_mover->isBusy())
            return;
        if (self->m_hotkeyQueued && self->m_hotkeyQueued())
            self->releaseAfterQueuedHotkeys();
        else
            self->releasePaint();
    });
}

void MainWindow::releasePaint() {
    if (m_paintHoldLimit)
        m_paintHoldLimit->cancel();
    m_paintHoldLimit.reset();
    // The request held back, asked again: the window's parts have kept what they want drawn.
    if (std::exchange(m_paintHeld, false))
        QCoreApplication::postEvent(this, new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
    // The uncovered parts as the desktop would have had them drawn: with what was held, from the
    // window's picture for the rest.
    if (const QRegion exposed = std::exchange(m_exposeHeld, QRegion()); !exposed.isEmpty() && windowHandle())
        QCoreApplication::postEvent(windowHandle(), new QExposeEvent(exposed), Qt::LowEventPriority);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // An already exposed window is told of an uncovered part by a paint event to its native
    // window (an expose event follows only when that is not taken).
    if (watched == windowHandle() && event->type() == QEvent::Paint && (m_paintHeld || holdsPaint())) {
        holdPaint();
        m_exposeHeld += static_cast<QPaintEvent*>(event)->region();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::holdsPaint() const {
    return moveOnItsWay() && !m_paintWaitedEnough;
}

void MainWindow::holdPaint() {
    if (std::exchange(m_paintHeld, true))
        return;
    if (!m_mover->isBusy())
        releaseAfterQueuedHotkeys();
    QPointer<MainWindow> self(this);
    m_paintHoldLimit = m_view.runtime().after(kPaintHold, [self] {
        if (!self)
            return;
        // A desktop slow to answer has the window drawn as usual until it does.
        self->m_paintWaitedEnough = true;
        self->releasePaint();
    });
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::UpdateRequest && holdsPaint()) {
        holdPaint();
        return true;
    }
    if (event->type() == QEvent::Paint && m_atDrawingBegins)
        std::exchange(m_atDrawingBegins, nullptr)();
    const bool handled = QMainWindow::event(event);
    // The window's own paint comes first; its content's follow within the same turn, and the
    // picture goes to the screen at its end.
    if (event->type() == QEvent::Paint && m_afterFirstPicture) {
        m_firstPictureWait->cancel();
        m_view.runtime().async([work = std::exchange(m_afterFirstPicture, nullptr)] { work(); });
    }
    return handled;
}

void MainWindow::hideEvent(QHideEvent* event) {
    QMainWindow::hideEvent(event);
    // Hidden, the window's pixels go (its backing store; on X11 a shared-memory segment), now,
    // while it has its native window: a close from the desktop destroys that next, and emptying
    // the store after would make a new one for it. The first paint after it shows again sizes the
    // store to the window anew. A minimised window stays visible and keeps them.
    if (!isVisible())
        if (QBackingStore* store = backingStore())
            store->resize(QSize(0, 0));
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (windowHandle())
        windowHandle()->installEventFilter(this);
    m_store.mainWindowShown();
}

} // namespace tilewick
