#pragma once

// The custom-painted reference window of the main window's benchmarks.

#include "tilewick/visuals/InterFont.h"

#include <QPainter>
#include <QPainterPath>
#include <QWidget>

namespace bench {

using tilewick::interFont;

// A window that paints itself as the main window does, with about as much drawing: a header,
// a tab strip, twelve cards with two lines of text each and a keyboard of 78 keys with a label
// and a small drawing each, antialiased and laid out again for every size.
class CustomPaintedWindow final : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        p.fillRect(rect(), QColor(246, 246, 248));
        const qreal w = width(), h = height(), pad = w * 0.03;
        p.setFont(interFont(22, 700));
        p.setPen(QColor(30, 30, 34));
        p.drawText(QRectF(pad, pad, w - 2 * pad, 40), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Title"));
        const qreal tabW = (w - 2 * pad) / 12;
        p.setFont(interFont(11, 500));
        for (int i = 0; i < 12; ++i) {
            QPainterPath tab;
            tab.addRoundedRect(QRectF(pad + i * tabW + 2, pad + 50, tabW - 4, 44), 8, 8);
            p.fillPath(tab, i == 0 ? QColor(235, 225, 252) : QColor(255, 255, 255));
            p.strokePath(tab, QPen(QColor(220, 220, 226), 1));
            p.drawText(tab.boundingRect(), Qt::AlignCenter, QStringLiteral("Tab %1").arg(i + 1));
        }
        const qreal top = pad + 110, cardW = (w - 2 * pad) / 4, cardH = (h * 0.45 - top) / 3;
        for (int i = 0; i < 12; ++i) {
            const QRectF card(pad + (i % 4) * cardW + 6, top + (i / 4) * cardH + 6, cardW - 12, cardH - 12);
            QPainterPath shape;
            shape.addRoundedRect(card, 12, 12);
            p.fillPath(shape.translated(0, 3), QColor(0, 0, 0, 12));
            p.fillPath(shape, Qt::white);
            p.strokePath(shape, QPen(QColor(220, 220, 226), 1));
            p.setFont(interFont(13, 600));
            p.drawText(card.adjusted(12, 10, -12, 0), Qt::AlignLeft | Qt::AlignTop,
                       QStringLiteral("Card %1").arg(i + 1));
            p.setFont(interFont(11, 400));
            p.drawText(card.adjusted(12, 0, -12, -10), Qt::AlignLeft | Qt::AlignBottom,
                       QStringLiteral("Ctrl + Alt + Key"));
        }
        const qreal kbTop = h * 0.5, u = (w - 2 * pad) / 15;
        p.setFont(interFont(u * 0.2, 500));
        for (int row = 0; row < 5; ++row) {
            for (int i = 0; i < 15 + (row == 4 ? 3 : 0) - (row == 4 ? 6 : 0); ++i) {
                const QRectF key(pad + i * u + 2, kbTop + row * u + 2, u - 4, u - 4);
                QPainterPath shape;
                shape.addRoundedRect(key, u * 0.13, u * 0.13);
                p.fillPath(shape, Qt::white);
                p.strokePath(shape, QPen(QColor(210, 210, 220), 1));
                p.fillRect(QRectF(key.center().x() - u * 0.3, key.top() + u * 0.15, u * 0.6, u * 0.3),
                           QColor(140, 100, 240));
                p.drawText(key.adjusted(0, u * 0.5, 0, 0), Qt::AlignHCenter | Qt::AlignTop,
                           QString(QChar('A' + (row * 15 + i) % 26)));
            }
        }
    }
};

} // namespace bench
