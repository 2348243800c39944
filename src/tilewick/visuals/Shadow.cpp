#include "Shadow.h"

#include "Layer.h"

#include "platform/drawing/PictureCache.h"

#include <QDataStream>
#include <QIODevice>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tilewick {

namespace {

// Shadows are drawn at device scales in steps of this fraction.
constexpr qreal kScaleSteps = 8;

// One box blur of an alpha plane along rows (or columns), radius `r` pixels.
void boxBlur(std::vector<uchar>& plane, int width, int height, int r, bool vertical) {
    const int lines = vertical ? width : height, length = vertical ? height : width;
    const size_t step = vertical ? size_t(width) : 1;
    std::vector<int> line(static_cast<size_t>(length));
    const int window = 2 * r + 1;
    for (int l = 0; l < lines; ++l) {
        uchar* p = plane.data() + (vertical ? size_t(l) : size_t(l) * size_t(width));
        for (int i = 0; i < length; ++i)
            line[size_t(i)] = p[size_t(i) * step];
        int sum = 0;
        for (int i = 0; i <= std::min(r, length - 1); ++i)
            sum += line[size_t(i)];
        for (int i = 0; i < length; ++i) {
            p[size_t(i) * step] = uchar((sum + window / 2) / window);
            const int out = i - r, in = i + r + 1;
            sum += (in < length ? line[size_t(in)] : 0) - (out >= 0 ? line[size_t(out)] : 0);
        }
    }
}

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
    // Three box blurs approximate a Gaussian.
    const int w = size.width(), h = size.height();
    std::vector<uchar> plane(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        std::copy_n(mask.constScanLine(y), w, plane.data() + size_t(y) * size_t(w));
    for (int pass = 0; pass < 3; ++pass) {
        boxBlur(plane, w, h, box, false);
        boxBlur(plane, w, h, box, true);
    }
    QImage shadow(size, QImage::Format_ARGB32_Premultiplied);
    const QRgb premultiplied = qPremultiply(color.rgba());
    for (int y = 0; y < h; ++y) {
        auto* out = reinterpret_cast<QRgb*>(shadow.scanLine(y));
        const uchar* in = plane.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) {
            const uint a = in[x];
            out[x] = qRgba(qRed(premultiplied) * a / 255, qGreen(premultiplied) * a / 255,
                           qBlue(premultiplied) * a / 255, qAlpha(premultiplied) * a / 255);
        }
    }
    shadow.setDevicePixelRatio(scale);
    return shadow;
}

// Views repaint the same cards over and over; their shadows are kept, keyed by the shape
// relative to its bounds, the colour, the blur and the resolution.
QByteArray cacheKey(const QPainterPath& shape, const QColor& color, qreal scale, int box) {
    QByteArray key;
    QDataStream out(&key, QIODevice::WriteOnly);
    out << color.rgba() << qint32(std::lround(scale * 64)) << qint32(box);
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
