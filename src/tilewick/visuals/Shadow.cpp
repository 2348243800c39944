#include "Shadow.h"

#include "BoxBlur.h"
#include "Layer.h"

#include "platform/drawing/PictureCache.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace tilewick {

namespace {

// Shadows are drawn at device scales in steps of this fraction.
constexpr qreal kScaleSteps = 8;

// The shadow image of `shape` (placed with its bounds' top-left at the margin), blurred.
QImage blurredShadow(const QPainterPath& shape, const QColor& color, qreal scale, int box, int margin) {
    const QRectF bounds = shape.boundingRect();
    const QSize size(int(std::ceil(bounds.width() * scale)) + 2 * margin,
                     int(std::ceil(bounds.height() * scale)) + 2 * margin);
    QImage mask(size, QImage::Format_Alpha8);
    mask.fill(0);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(margin, margin);
        p.scale(scale, scale);
        p.translate(-bounds.topLeft());
        p.fillPath(shape, Qt::black);
    }
    const int w = size.width(), h = size.height();
    std::vector<uchar> plane(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        std::copy_n(mask.constScanLine(y), w, plane.data() + size_t(y) * size_t(w));
    blurAlpha(plane.data(), w, h, box);
    // The colour at each of the 256 coverages.
    const QRgb premultiplied = qPremultiply(color.rgba());
    std::array<QRgb, 256> shades;
    for (uint a = 0; a < shades.size(); ++a)
        shades[a] = qRgba(qRed(premultiplied) * a / 255, qGreen(premultiplied) * a / 255,
                          qBlue(premultiplied) * a / 255, qAlpha(premultiplied) * a / 255);
    QImage shadow(size, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y) {
        auto* out = reinterpret_cast<QRgb*>(shadow.scanLine(y));
        const uchar* in = plane.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x)
            out[x] = shades[in[x]];
    }
    shadow.setDevicePixelRatio(scale);
    return shadow;
}

// Views repaint the same cards over and over; their shadows are kept, keyed by the shape
// relative to its bounds, the colour, the blur and the resolution.
QByteArray cacheKey(const QPainterPath& shape, const QColor& color, qreal scale, int box) {
    QByteArray key;
    appendBytes(key, color.rgba());
    appendBytes(key, qint32(std::lround(scale * 64)));
    appendBytes(key, qint32(box));
    return key + shapeCacheKey(shape);
}

// The kept shadows. Main thread only, like every view.
platform::PictureCache& shadowCache() {
    static platform::PictureCache cache(32 * 1024 * 1024);
    return cache;
}

} // namespace

qsizetype Shadow::cachedBytes() {
    return shadowCache().bytes();
}

void Shadow::trimCache() {
    shadowCache().trim();
}

void Shadow::releaseCache() {
    shadowCache().clear();
}

void Shadow::paint(QPainter& painter, const QPainterPath& shape) const {
    if (shape.isEmpty() || color.alpha() == 0)
        return;
    if (radius <= 0) {
        painter.fillPath(shape.translated(offset), color);
        return;
    }
    // Blurred near device resolution so the shadow is as smooth as what it sits under: at the
    // next eighth of a device pixel per point, so that a window being resized (its page
    // rescaled at every step) draws a kept shadow, scaled by a few per cent at most, instead
    // of blurring every shape again at each new scale.
    const qreal scale = std::ceil(deviceScale(painter) * kScaleSteps) / kScaleSteps;
    const qreal sigma = radius / 2 * scale;
    const int box = std::max(1, int(std::lround(std::sqrt(4 * sigma * sigma + 1) - 1) / 2));
    const int margin = 3 * box + 2;

    platform::PictureCache& cache = shadowCache();
    const QByteArray key = cacheKey(shape, color, scale, box);
    const QImage* shadow = cache.find(key);
    if (!shadow) {
        shadow = cache.keep(key, blurredShadow(shape, color, scale, box, margin));
        if (!shadow)
            return; // larger than the whole cache: not drawn rather than drawn every time
    }
    painter.drawImage(shape.boundingRect().topLeft() + offset - QPointF(margin, margin) / scale, *shadow);
}

} // namespace tilewick
