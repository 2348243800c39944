#include "RestoresWindowSize.h"

#include "tilewick/store/TilewickStore.h"

#include <QMouseEvent>

namespace tilewick {

RestoresWindowSize::RestoresWindowSize(TilewickStore& store, QWidget* parent)
    : QWidget(parent), m_store(store) {}

void RestoresWindowSize::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void RestoresWindowSize::mouseReleaseEvent(QMouseEvent* event) {
    // One click: a press and its release inside the band.
    const bool click =
        m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        m_store.restoreMainWindowSize(true);
}

} // namespace tilewick
