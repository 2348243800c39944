#include "BetaPanel.h"

#include "platform/drawing/WindowFit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace betakit {

namespace {

Qt::WindowFlags flagsFor(BetaPanel::StyleMask style) {
    Qt::WindowFlags flags = Qt::Window;
    if (!(style & BetaPanel::Titled))
        return flags | Qt::FramelessWindowHint;
    // Only the buttons the style names: a kit panel has no minimise button unless asked for.
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
    if (style & BetaPanel::Closable)
        flags |= Qt::WindowCloseButtonHint;
    if (style & BetaPanel::Miniaturizable)
        flags |= Qt::WindowMinimizeButtonHint;
    if (style & BetaPanel::Resizable)
        flags |= Qt::WindowMaximizeButtonHint;
    return flags;
}

} // namespace

BetaPanel::BetaPanel(QSize contentSize, StyleMask style) : QWidget(nullptr, flagsFor(style)), m_style(style) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setContentSize(contentSize);
    platform::fitWhenShown(*this);
}

void BetaPanel::setContentView(QWidget* view) {
    if (m_content == view)
        return;
    delete m_content;
    m_content = view;
    if (view)
        layout()->addWidget(view);
}

void BetaPanel::setContentSize(QSize size) {
    if (!(m_style & Resizable))
        setFixedSize(size);
    else
        resize(size);
}

void BetaPanel::center() {
    QScreen* screen = nullptr;
    if (QWidget* key = QApplication::activeWindow(); key && key != this)
        screen = key->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // The frame is not known before the window manager has the window; centre the content.
    const QSize own = size();
    move(area.x() + (area.width() - own.width()) / 2, area.y() + (area.height() - own.height()) / 2);
}

void BetaPanel::makeKeyAndOrderFront() {
    show();
    raise();
    activateWindow();
}

void BetaPanel::release(BetaPanel* panel) {
    if (!panel)
        return;
    panel->m_delegate = nullptr;
    panel->hide();
    panel->deleteLater();
}

void BetaPanel::closeEvent(QCloseEvent* event) {
    if (m_delegate && !m_delegate->windowShouldClose(*this)) {
        event->ignore();
        return;
    }
    event->accept();
    if (m_delegate)
        m_delegate->windowWillClose(*this);
}

} // namespace betakit
