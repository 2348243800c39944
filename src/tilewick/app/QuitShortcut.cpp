#include "QuitShortcut.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace tilewick {

namespace {

bool isQuitKey(const QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    return key->key() == Qt::Key_Q && (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier &&
           !key->isAutoRepeat();
}

} // namespace

QuitShortcut::QuitShortcut(std::function<bool()> passes, std::function<void()> quit, QObject* parent)
    : QObject(parent), m_passes(std::move(passes)), m_quit(std::move(quit)) {
    qApp->installEventFilter(this);
}

QuitShortcut::~QuitShortcut() {
    if (qApp)
        qApp->removeEventFilter(this);
}

bool QuitShortcut::eventFilter(QObject*, QEvent* event) {
    if (!isQuitKey(event) || (m_passes && m_passes()))
        return false;
    // The shortcut override comes first where a window has shortcuts; the key press alone where
    // none does (a pop-up menu, an alert). Either way one quit, and nothing else sees the key.
    event->accept();
    if (event->type() == QEvent::KeyPress && m_quit)
        m_quit();
    return true;
}

} // namespace tilewick
