#include "MainView.h"

#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/Theme.h"

#include <QPainter>

namespace tilewick {

MainView::MainView(TilewickStore& store, ViewServices services, QWidget* parent)
    : QWidget(parent), m_store(store), m_services(std::move(services)) {
    setObjectName(QStringLiteral("MainView"));
    connect(&store, &TilewickStore::recordingChanged, this, [this] {
        if (m_store.recording() != m_recordingCard) {
            m_recordingCard.reset();
            m_frames.recordingCard = QRectF();
        }
    });
}

void MainView::setRecordingCardFrame(SnapAction action, const QRectF& frame) {
    if (m_store.recording() != action)
        return;
    m_recordingCard = action;
    m_frames.recordingCard = frame;
}

void MainView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::background.resolve(m_services.scheme()));
}

} // namespace tilewick
