#include "Shadow.h"

#include "Layer.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tilewick {

namespace {

// One box blur of the alpha channel along rows (or columns), radius `r` pixels.
void boxBlur(QImage& image, int r, bool vertical) {
    const int w = image.width(), h = image.height();
    const int lines = vertical ? w : h, length = vertical ? h : w;
    const int stride = vertical ? int(image.bytesPerLine() / 4) : 1;
    auto* base = reinterpret_cast<QRgb*>(image.bits());
    std::vector<int> alpha(static_cast<size_t>(length));
    const int window = 2 * r + 1;
    for (int line = 0; line < lines; ++line) {
        QRgb* p = vertical ? base + line : base + size_t(line) * (image.bytesPerLine() / 4);
        for (int i = 0; i < length; ++i)
            alpha[size_t(i)] = qAlpha(p[i * stride]);
        int sum = 0;
        for (int i = -r; i <= r; ++i)
            sum += (i >= 0 && i < length) ? alpha[size_t(i)] : 0;
        for (int i = 0; i < length; ++i) {
            const int a = (sum + window / 2) / window;
            p[i * stride] = qRgba(0, 0, 0, a);
            const int out = i - r, in = i + r + 1;
            sum += (in < length ? alpha[size_t(in)] : 0) - (out >= 0 ? alpha[size_t(out)] : 0);
        }
    }
}

} // namespace

void Shadow::paint(QPainter& painter, const QPainterPath& shape) const {
    if (shape.isEmpty() || color.alpha() == 0)
        return;
    if (radius <= 0) {
        painter.fillPath(shape.translated(offset), color);
        return;
    }
    // Blur at device resolution so the shadow is as smooth as what it sits under.
    const qreal scale = deviceScale(painter);
    const qreal sigma = radius / 2 * scale;
    // Three box blurs approximate a Gaussian of this deviation.
    const int box = std::max(1, int(std::lround(std::sqrt(4 * sigma * sigma + 1) - 1) / 2));
    const int margin = 3 * box + 2;

    const QRectF bounds = shape.boundingRect();
    const QSize size(int(std::ceil(bounds.width() * scale)) + 2 * margin,
                     int(std::ceil(bounds.height() * scale)) + 2 * margin);
    QImage mask(size, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(margin, margin);
        p.scale(scale, scale);
        p.translate(-bounds.topLeft());
        p.fillPath(shape, Qt::black);
    }
    for (int pass = 0; pass < 3; ++pass) {
        boxBlur(mask, box, false);
        boxBlur(mask, box, true);
    }
    // Colour the blurred coverage.
    {
        QPainter p(&mask);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(mask.rect(), color);
    }
    mask.setDevicePixelRatio(scale);
    painter.drawImage(bounds.topLeft() + offset - QPointF(margin, margin) / scale, mask);
}

} // namespace tilewick
