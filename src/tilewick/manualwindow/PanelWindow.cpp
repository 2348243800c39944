#include "PanelWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace tilewick {

std::unique_ptr<QWidget> makePanelWindow(const PanelWindowOptions& options, QWidget* content) {
    const bool resizable = options.minimumSize.isValid();
    Qt::WindowFlags flags = Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    if (resizable)
        flags |= Qt::WindowMinMaxButtonsHint;
    else
        flags |= Qt::CustomizeWindowHint;
    auto window = std::make_unique<QWidget>(nullptr, flags);
    window->setObjectName(options.role);
    window->setWindowTitle(options.title);
    window->setWindowRole(options.role);
    // Closing hides the window; the one object lives on.
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    auto* layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(content);
    if (resizable) {
        window->setMinimumSize(options.minimumSize);
        window->resize(options.contentSize);
    } else {
        window->setFixedSize(options.contentSize);
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), window->size());
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    return window;
}

void bringToFront(QWidget& window) {
    if (window.isMinimized())
        window.showNormal();
    else
        window.show();
    window.raise();
    window.activateWindow();
}

} // namespace tilewick
