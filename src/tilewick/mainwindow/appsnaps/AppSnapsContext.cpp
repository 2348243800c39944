#include "AppSnapsContext.h"

#include "tilewick/visuals/RoundedRect.h"

#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
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

QPalette controlPalette(Scheme scheme) {
    QPalette palette;
    palette.setColor(QPalette::Window, Theme::card.resolve(scheme));
    palette.setColor(QPalette::Base, Theme::raised.resolve(scheme));
    palette.setColor(QPalette::AlternateBase, Theme::card.resolve(scheme));
    palette.setColor(QPalette::Button, Theme::raised.resolve(scheme));
    palette.setColor(QPalette::Text, Theme::text.resolve(scheme));
    palette.setColor(QPalette::WindowText, Theme::text.resolve(scheme));
    palette.setColor(QPalette::ButtonText, Theme::text.resolve(scheme));
    palette.setColor(QPalette::Highlight, Theme::accent.resolve(scheme));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Mid, Theme::border.resolve(scheme));
    palette.setColor(QPalette::Dark, Theme::border.resolve(scheme));
    palette.setColor(QPalette::Light, Theme::raised.resolve(scheme));
    palette.setColor(QPalette::Midlight, Theme::raised.resolve(scheme));
    palette.setColor(QPalette::Shadow, Theme::border.resolve(scheme));
    palette.setColor(QPalette::PlaceholderText, Theme::textSecondary.resolve(scheme));
    return palette;
}

void replaceScrolledRows(QScrollArea& scroll, QWidget* rows, Scheme scheme) {
    if (QWidget* old = scroll.takeWidget()) {
        old->hide();
        old->deleteLater();
    }
    scroll.setWidget(rows);
    rows->setAutoFillBackground(false);
    scroll.verticalScrollBar()->setPalette(controlPalette(scheme));
}

} // namespace tilewick
