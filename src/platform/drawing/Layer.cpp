#include "Layer.h"

#include "PictureCache.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// Main thread only, like every view.
PictureCache& cachedPictures() {
    static PictureCache cache(16 * 1024 * 1024);
    return cache;
}

} // namespace

qreal deviceScale(const QPainter& painter) {
    const QTransform device = painter.deviceTransform();
    return std::max(std::hypot(device.m11(), device.m12()), qreal(0.01));
}

void paintLayer(QPainter& painter, const QRectF& bounds, qreal opacity,
                const std::function<void(QPainter&)>& draw) {
    if (opacity >= 1.0) {
        draw(painter);
        return;
    }
    if (opacity <= 0.0 || bounds.isEmpty())
        return;
    // The group is drawn at the device's resolution, then blended once.
    const qreal scale = deviceScale(painter);
    const QRectF area = bounds.adjusted(-1, -1, 1, 1);
    QImage layer(QSize(int(std::ceil(area.width() * scale)), int(std::ceil(area.height() * scale))),
                 QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(scale);
    layer.fill(Qt::transparent);
    {
        QPainter p(&layer);
        p.setRenderHints(painter.renderHints());
        p.translate(-area.topLeft());
        draw(p);
    }
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    painter.drawImage(area.topLeft(), layer);
    painter.restore();
}

QByteArray shapeCacheKey(const QPainterPath& shape) {
    // Appended as raw bytes: a data stream's framing costs more than the shape itself, and views
    // build a key for every cached picture they draw.
    const int count = shape.elementCount();
    QByteArray key;
    key.reserve(qsizetype(sizeof(qint32)) + count * qsizetype(sizeof(qint8) + 2 * sizeof(qint32)));
    appendBytes(key, qint32(count));
    const QPointF origin = shape.boundingRect().topLeft();
    for (int i = 0; i < count; ++i) {
        const QPainterPath::Element e = shape.elementAt(i);
        appendBytes(key, qint8(e.type));
        appendBytes(key, qint32(std::lround((e.x - origin.x()) * 64)));
        appendBytes(key, qint32(std::lround((e.y - origin.y()) * 64)));
    }
    return key;
}

void paintCached(QPainter& painter, const QPainterPath& shape, qreal margin, const QByteArray& style,
                 qreal opacity, const std::function<void(QPainter&)>& draw) {
    const QRectF bounds = shape.boundingRect();
    if (bounds.isEmpty() || opacity <= 0)
        return;
    const qreal scale = deviceScale(painter);
    PictureCache& cache = cachedPictures();
    QByteArray key = style;
    key += shapeCacheKey(shape);
    key += QByteArray::number(qint64(std::lround(scale * 64)));
    key += QByteArray::number(qint64(std::lround(margin * 64)));
    const QImage* picture = cache.find(key);
    if (!picture) {
        const QSizeF size = bounds.size() + QSizeF(2 * margin, 2 * margin);
        QImage made(QSize(int(std::ceil(size.width() * scale)), int(std::ceil(size.height() * scale))),
                    QImage::Format_ARGB32_Premultiplied);
        made.setDevicePixelRatio(scale);
        made.fill(Qt::transparent);
        {
            QPainter p(&made);
            p.setRenderHints(painter.renderHints());
            p.translate(QPointF(margin, margin) - bounds.topLeft());
            draw(p);
        }
        picture = cache.keep(key, std::move(made));
        if (!picture)
            return;
    }
    painter.save();
    painter.setOpacity(painter.opacity() * opacity);
    painter.drawImage(bounds.topLeft() - QPointF(margin, margin), *picture);
    painter.restore();
}

void trimCachedPictures() {
    cachedPictures().trim();
}

void releaseCachedPictures() {
    cachedPictures().clear();
}

} // namespace platform
