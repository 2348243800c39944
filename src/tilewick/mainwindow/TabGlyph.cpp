#include "TabGlyph.h"

#include "tilewick/visuals/Layer.h"
#include "tilewick/visuals/RoundedRect.h"
#include "tilewick/visuals/Symbols.h"

#include <QPainter>

#include <algorithm>

namespace tilewick {

namespace {

constexpr qreal kInkOpacity = 0.9;

// `count` equal pieces of `length` with `gap` between them, from `start`.
QList<std::pair<qreal, qreal>> split(qreal start, qreal length, int count, qreal gap) {
    const qreal piece = (length - gap * (count - 1)) / count;
    QList<std::pair<qreal, qreal>> pieces;
    for (int i = 0; i < count; ++i)
        pieces.append({start + i * (piece + gap), piece});
    return pieces;
}

} // namespace

QPainterPath TabGlyph::stickA(const QRectF& rect) {
    auto at = [&](qreal x, qreal y) {
        return QPointF(rect.left() + x * rect.width(), rect.top() + y * rect.height());
    };
    QPainterPath path;
    path.moveTo(at(0.2, 0.92));
    path.lineTo(at(0.5, 0.08));
    path.moveTo(at(0.8, 0.92));
    path.lineTo(at(0.5, 0.08));
    path.moveTo(at(0.16, 0.64));
    path.lineTo(at(0.84, 0.64));
    return path;
}

qreal TabGlyph::gap(QSizeF size) {
    return std::max<qreal>(0.06 * size.width(), 1.5);
}

qreal TabGlyph::cornerRadius(QSizeF size) {
    return std::max<qreal>(0.06 * size.width(), 1.0);
}

QList<QRectF> TabGlyph::tiles(SnapTab tab, QSizeF size) {
    const qreal w = size.width(), h = size.height(), g = gap(size);
    switch (tab) {
    case SnapTab::twoThirds: {
        const qreal first = (w - g) * 2 / 3;
        return {{0, 0, first, h}, {first + g, 0, w - first - g, h}};
    }
    case SnapTab::upDownTwoThirds: {
        const qreal first = (h - g) * 2 / 3;
        return {{0, 0, w, first}, {0, first + g, w, h - first - g}};
    }
    default:
        break;
    }
    const auto tabGrid = grid(tab);
    if (!tabGrid)
        return {};
    QList<QRectF> tiles;
    for (const auto& [y, height] : split(0, h, tabGrid->rows, g))
        for (const auto& [x, width] : split(0, w, tabGrid->columns, g))
            tiles.append({x, y, width, height});
    return tiles;
}

QColor TabGlyph::ink(Scheme scheme) const {
    return selected ? QColor::fromRgbF(1, 1, 1, kInkOpacity) : Theme::accent.resolve(scheme, kInkOpacity);
}

void TabGlyph::paint(QPainter& painter, const QRectF& rect, Scheme scheme) const {
    const QSizeF size = rect.size();
    const QColor color = ink(scheme);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (tab == SnapTab::global) {
        Symbols::paint(painter, QStringLiteral("gearshape.fill"), rect.center(), 0.95 * size.height(), color,
                       SymbolWeight::Medium);
    } else if (tab == SnapTab::appSnaps) {
        const QSizeF frame(1.15 * size.height(), 0.85 * size.height());
        const QRectF box(rect.center() - QPointF(frame.width() / 2, frame.height() / 2), frame);
        QPen pen(color, std::max<qreal>(0.14 * size.height(), 1.5), Qt::SolidLine, Qt::RoundCap,
                 Qt::MiterJoin);
        pen.setMiterLimit(10);
        painter.strokePath(stickA(box), pen);
    } else {
        for (const QRectF& tile : tiles(tab, size))
            RoundedRect{tile.translated(rect.topLeft()), cornerRadius(size)}.fill(painter, color);
    }
    painter.restore();
}

void TabIconStyle::paint(QPainter& painter, const QRectF& rect, const TabGlyph& glyph, QSizeF glyphSize,
                         bool pressed, Scheme scheme) const {
    const RoundedRect shape{rect, kCornerRadius};
    paintLayer(painter, rect, opacity(pressed), [&](QPainter& p) {
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        if (selected) {
            shape.fill(p, Theme::accentGradient.resolve(rect, scheme));
        } else {
            shape.fill(p, Theme::card.resolve(scheme));
            shape.strokeInside(p, Theme::border.resolve(scheme), 1);
        }
        const QRectF glyphRect(rect.center() - QPointF(glyphSize.width() / 2, glyphSize.height() / 2),
                               glyphSize);
        glyph.paint(p, glyphRect, scheme);
        p.restore();
    });
}

} // namespace tilewick
