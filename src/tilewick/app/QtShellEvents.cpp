#include "QtShellEvents.h"

#include "MainWindow.h"

#include "platform/Workspace.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWindow>
#include <QWindowStateChangeEvent>

namespace tilewick {

namespace {

QString identifierOf(const QWidget* widget) {
    return widget && widget->objectName() == QLatin1String(MainWindow::kIdentifier)
               ? QString::fromLatin1(MainWindow::kIdentifier)
               : QString();
}

QWidget* topLevelOf(const QWindow* window) {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->windowHandle() == window)
            return widget;
    return nullptr;
}

} // namespace

QtShellEvents::QtShellEvents(const platform::Workspace& workspace, QObject* parent)
    : ShellEvents(parent), m_workspace(workspace), m_active(workspace.ownApplicationIsFrontmost()),
      m_hidden(QGuiApplication::applicationState() == Qt::ApplicationHidden) {
    qApp->installEventFilter(this);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, &QtShellEvents::applicationStateChanged);
    connect(&workspace, &platform::Workspace::frontmostApplicationChanged, this,
            &QtShellEvents::frontmostChanged);
}

QtShellEvents::~QtShellEvents() {
    if (qApp)
        qApp->removeEventFilter(this);
}

AppDelegate::Focus QtShellEvents::focus() {
    return {
        [] {
            const QWidget* focused = QApplication::focusWidget();
            return qobject_cast<const QLineEdit*>(focused) || qobject_cast<const QTextEdit*>(focused) ||
                   qobject_cast<const QPlainTextEdit*>(focused) ||
                   qobject_cast<const QAbstractSpinBox*>(focused);
        },
        [] { return QApplication::activeModalWidget() != nullptr; },
    };
}

void QtShellEvents::applicationStateChanged(Qt::ApplicationState state) {
    const bool hidden = state == Qt::ApplicationHidden;
    if (hidden == m_hidden)
        return;
    m_hidden = hidden;
    if (hidden)
        emit applicationDidHide();
    else
        emit applicationDidUnhide();
}

void QtShellEvents::frontmostChanged() {
    const bool active = m_workspace.ownApplicationIsFrontmost();
    if (active == m_active)
        return;
    m_active = active;
    if (active)
        emit applicationDidBecomeActive();
    else
        emit applicationDidResignActive();
}

bool QtShellEvents::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::WindowActivate:
        if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->isWindow())
            emit windowDidBecomeKey();
        break;
    case QEvent::WindowDeactivate:
        if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->isWindow())
            emit windowDidResignKey();
        break;
    case QEvent::Close:
        if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->isWindow())
            emit windowWillClose(identifierOf(widget));
        break;
    case QEvent::WindowStateChange:
        if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->isWindow()) {
            const bool was = static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized;
            const bool is = widget->isMinimized();
            if (is && !was)
                emit windowDidMiniaturize();
            else if (was && !is)
                emit windowDidDeminiaturize(identifierOf(widget));
        }
        break;
    case QEvent::Expose:
        if (auto* window = qobject_cast<QWindow*>(watched)) {
            const bool exposed = window->isExposed();
            const auto known = m_exposed.constFind(window);
            if (known == m_exposed.constEnd() || *known != exposed) {
                if (known == m_exposed.constEnd())
                    connect(window, &QObject::destroyed, this, [this, window] { m_exposed.remove(window); });
                m_exposed.insert(window, exposed);
                emit windowDidChangeOcclusionState();
            }
        }
        break;
    case QEvent::MouseButtonPress: {
        // Qt hands a press to the window first, then to its widgets: the window's turn counts.
        auto* window = qobject_cast<QWindow*>(watched);
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!window || mouse->button() != Qt::LeftButton)
            break;
        QWidget* widget = topLevelOf(window);
        MouseDown click;
        click.window = identifierOf(widget);
        const auto* main = qobject_cast<QMainWindow*>(widget);
        if (const QWidget* content = main ? main->centralWidget() : widget) {
            click.point = content->mapFromGlobal(mouse->globalPosition());
            click.contentSize = content->size();
        }
        emit leftMouseDown(click);
        break;
    }
    default:
        break;
    }
    return false;
}

} // namespace tilewick
