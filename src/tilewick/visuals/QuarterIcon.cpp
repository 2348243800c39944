#include "QuarterIcon.h"

#include "LightTile.h"
#include "RoundedRect.h"

#include <QGuiApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>

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

namespace {

constexpr int kIconSides[] = {16, 24, 32, 48, 64, 128, 256, 512};

// The application icon draws a size when it is asked for it: the program holds no pictures of it
// (1.4 MB for the eight sizes). A window asks for every size as it is made, twice over; the
// drawings are kept until the event loop turns, so a window's asks draw each size once. A size
// between two is the next larger drawing scaled down, as an icon of the eight pictures gives it.
class ApplicationIconEngine final : public QIconEngine {
public:
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QImage drawing = drawingFor(size);
        const QSize actual = actualSize(size, mode, state);
        if (drawing.size() != actual)
            drawing = drawing.scaled(actual, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        // Qt's icon of pictures makes the other modes' look (and keeps it in the pixmap cache).
        if (mode != QIcon::Normal)
            return QIcon(QPixmap::fromImage(drawing)).pixmap(actual, 1.0, mode, state);
        return QPixmap::fromImage(std::move(drawing));
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const QPaintDevice* device = painter->device();
        const qreal scale = device ? device->devicePixelRatio() : qApp->devicePixelRatio();
        painter->drawPixmap(rect, pixmap(rect.size() * scale, mode, state));
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        QSize actual(sideFor(size), sideFor(size));
        if (actual.width() > size.width() || actual.height() > size.height())
            actual.scale(size, Qt::KeepAspectRatio);
        return actual;
    }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        QList<QSize> sizes;
        for (int side : kIconSides)
            sizes.append(QSize(side, side));
        return sizes;
    }
    QIconEngine* clone() const override { return new ApplicationIconEngine; }

private:
    QImage drawingFor(QSize size) {
        const int side = sideFor(size);
        if (const auto kept = m_drawings->find(side); kept != m_drawings->end())
            return kept.value();
        if (m_drawings->isEmpty())
            QMetaObject::invokeMethod(
                qApp,
                [drawings = std::weak_ptr(m_drawings)] {
                    if (const auto held = drawings.lock())
                        held->clear();
                },
                Qt::QueuedConnection);
        return *m_drawings->insert(side, QuarterIcon{qreal(side), false}.image());
    }

    // The smallest drawing covering the area asked for, else the largest.
    static int sideFor(QSize size) {
        const qint64 area = qint64(size.width()) * size.height();
        const auto* covers = std::find_if(std::begin(kIconSides), std::end(kIconSides),
                                          [area](int side) { return qint64(side) * side >= area; });
        return covers == std::end(kIconSides) ? *std::rbegin(kIconSides) : *covers;
    }

    std::shared_ptr<QHash<int, QImage>> m_drawings = std::make_shared<QHash<int, QImage>>();
};

} // namespace

QIcon applicationIcon() {
    return QIcon(new ApplicationIconEngine);
}

} // namespace tilewick
