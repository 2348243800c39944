#include "MainView.h"

#include "tilewick/visuals/Theme.h"

#include <QPainter>

namespace tilewick {

MainView::MainView(TilewickStore& store, ViewServices services, QWidget* parent)
    : QWidget(parent), m_store(store), m_services(std::move(services)) {
    setObjectName(QStringLiteral("MainView"));
}

void MainView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::background.resolve(m_services.scheme()));
}

} // namespace tilewick
