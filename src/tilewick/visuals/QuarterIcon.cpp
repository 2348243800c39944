#include "QuarterIcon.h"

#include "LightTile.h"
#include "RoundedRect.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace tilewick {

const ThemeGradient& QuarterIcon::litGradient() {
    static const ThemeGradient gradient{Rgb{109, 59, 238}, Rgb{192, 38, 213}, {0, 0}, {0.5, 0.5}};
    return gradient;
}

QuarterIcon::Measures QuarterIcon::measures(qreal s) {
    Measures m{};
    m.t = LightTile::innerSide(s);
    m.width = 0.78 * m.t;
    m.height = 0.9 * m.width / 1.13;
    m.outline = 0.042 * m.t;
    m.divider = 0.016 * m.t;
    m.inset = m.outline + m.divider;
    m.outerRadius = 0.17 * m.height / 0.9;
    m.innerRadius = std::max(m.outerRadius - m.inset, qreal(1));
    return m;
}

QPainterPath QuarterIcon::dividers(qreal W, qreal H, qreal e, qreal b) {
    QPainterPath path;
    path.moveTo(W / 2, b);
    path.lineTo(W / 2, H - e / 2);
    path.moveTo(b, H / 2);
    path.lineTo(W - e / 2, H / 2);
    return path;
}

QPen QuarterIcon::dividerPen(const QBrush& brush, qreal width) {
    QPen pen(brush, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    return pen;
}

namespace {

// The screen in its W × H frame with the top-left corner at the origin.
void paintScreen(QPainter& painter, const QuarterIcon::Measures& m) {
    const ThemeGradient& lit = QuarterIcon::litGradient();
    const qreal W = m.width, H = m.height, e = m.outline, g = m.divider, b = m.inset;
    const QRectF frame(0, 0, W, H);

    // The lit quarter: the inner screen, of which only the top-left quarter shows.
    const QRectF screen(b, b, W - 2 * b, H - 2 * b);
    painter.save();
    painter.setClipRect(QRectF(0, 0, W / 2, H / 2), Qt::IntersectClip);
    RoundedRect{screen, m.innerRadius, CornerStyle::Circular}.fill(painter,
                                                                   lit.resolve(screen, Scheme::Light));
    painter.restore();

    // The dividers.
    painter.strokePath(QuarterIcon::dividers(W, H, e, b),
                       QuarterIcon::dividerPen(lit.resolve(frame, Scheme::Light), g));

    // The outline.
    RoundedRect{frame, m.outerRadius, CornerStyle::Circular}.strokeInside(
        painter, lit.resolve(frame, Scheme::Light), e);
}

} // namespace

void QuarterIcon::paint(QPainter& painter, QPointF topLeft) const {
    const Measures m = measures(s);
    LightTile tile{s, (dark ? kTileDark : kTileLight).color(), [&](QPainter& p, const QRectF& inner) {
                       p.save();
                       p.translate(inner.center() - QPointF(m.width, m.height) / 2);
                       paintScreen(p, m);
                       p.restore();
                   }};
    tile.paint(painter, topLeft);
}

QImage QuarterIcon::image(qreal scale) const {
    const int side = int(std::ceil(s * scale));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paint(painter, {0, 0});
    return image;
}

QIcon applicationIcon() {
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64, 128, 256, 512})
        icon.addPixmap(QPixmap::fromImage(QuarterIcon{qreal(side), false}.image()));
    return icon;
}

} // namespace tilewick
