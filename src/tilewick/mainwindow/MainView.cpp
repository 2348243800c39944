#include "MainView.h"

#include "tilewick/visuals/Theme.h"

#include <QPainter>

namespace tilewick {

MainView::MainView(TilewickStore& store, QWidget* parent) : QWidget(parent), m_store(store) {
    setObjectName(QStringLiteral("MainView"));
}

void MainView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::background.current());
}

} // namespace tilewick
