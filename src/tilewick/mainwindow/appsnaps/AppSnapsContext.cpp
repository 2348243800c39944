#include "AppSnapsContext.h"

#include "tilewick/visuals/RoundedRect.h"

#include <QPainter>
#include <QScrollArea>
#include <QWidget>

namespace tilewick {

TipTracker* AppSnapsContext::attachTip(QWidget& widget, const QString& text) const {
    if (!tips) {
        widget.setAccessibleDescription(text);
        return nullptr;
    }
    return TipTracker::attach(
        widget, text, *tips, toRoot ? toRoot : [](const QWidget& from, QPointF local) {
            return QPointF(from.mapTo(from.window(), local.toPoint()));
        });
}

void paintPageCard(QPainter& painter, const QRectF& card, Scheme scheme) {
    const RoundedRect shape{card, 12};
    painter.setRenderHint(QPainter::Antialiasing);
    shape.fill(painter, Theme::card.resolve(scheme));
    shape.strokeInside(painter, Theme::border.resolve(scheme), 1);
}

void replaceScrolledRows(QScrollArea& scroll, QWidget* rows) {
    if (QWidget* old = scroll.takeWidget()) {
        old->hide();
        old->deleteLater();
    }
    scroll.setWidget(rows);
    rows->setAutoFillBackground(false);
}

} // namespace tilewick
