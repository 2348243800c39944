#include "QtAppShell.h"

#include "MainWindow.h"

#include "platform/drawing/WindowFit.h"

#include <QApplication>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>

namespace tilewick {

void QtAppShell::setMainWindow(MainWindow* window) {
    m_window = window;
    window->installEventFilter(this);
    applyPolicy();
}

bool QtAppShell::eventFilter(QObject* watched, QEvent* event) {
    // The type first: while the window is being destroyed it is no longer a MainWindow, and
    // comparing with the guarded pointer would cast it.
    if (event->type() == QEvent::Show && watched == m_window &&
        !static_cast<QShowEvent*>(event)->spontaneous())
        applyPolicy();
    return false;
}

void QtAppShell::setActivationPolicy(platform::ActivationPolicy policy) {
    m_policy = policy;
    applyPolicy();
}

void QtAppShell::applyPolicy() {
    if (!m_window)
        return;
    m_window->winId(); // the native window carries the state, mapped or not
    m_taskbar.setShown(m_window->windowHandle(), m_policy == platform::ActivationPolicy::Regular);
}

bool QtAppShell::isActive() const {
    return m_workspace.ownApplicationIsFrontmost();
}

bool QtAppShell::mainWindowVisible() const {
    return m_window && m_window->isVisible() && !m_window->isMinimized();
}

void QtAppShell::activateIgnoringOtherApps() {
    if (!mainWindowVisible())
        return;
    m_window->raise();
    m_window->activateWindow();
}

bool QtAppShell::focusVisibleMainWindow() {
    if (!mainWindowVisible())
        return false;
    m_window->raise();
    m_window->activateWindow();
    return true;
}

std::optional<MainWindowState> QtAppShell::visibleMainWindow() const {
    if (!mainWindowVisible())
        return std::nullopt;
    MainWindowState state;
    const QRect outer = m_window->frameGeometry(), client = m_window->geometry();
    state.frame = outer;
    state.decorations = QMarginsF(client.left() - outer.left(), client.top() - outer.top(),
                                  outer.right() - client.right(), outer.bottom() - client.bottom());
    state.fullScreen = m_window->isFullScreen();
    if (const QRect area = platform::workAreaOf(*m_window); !area.isNull())
        state.screenVisibleFrame = QRectF(area);
    const QWindow* handle = m_window->windowHandle();
    state.occluded = !handle || !handle->isExposed();
    state.key = m_window->isActiveWindow();
    return state;
}

void QtAppShell::setMainWindowFrame(const QRectF& frame, bool) {
    if (!m_window)
        return;
    // Qt places the outer frame but sizes the client: take the decorations off the size.
    const QRect outer = m_window->frameGeometry();
    const QRect inner = m_window->geometry();
    const QSize decorations = outer.size() - inner.size();
    const QRect target = frame.toRect();
    m_window->move(target.topLeft());
    m_window->resize(target.size() - decorations);
}

void QtAppShell::terminate() {
    QCoreApplication::quit();
}

} // namespace tilewick
