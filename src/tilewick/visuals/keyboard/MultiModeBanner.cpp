#include "MultiModeBanner.h"

#include "tilewick/visuals/InterFont.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QRadialGradient>

#include "tilewick/visuals/Layer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tilewick {

namespace {

QFont bannerFont(qreal size, qreal tracking) {
    QFont font = interFont(size, 800);
    font.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    return font;
}

QColor blend(Rgb from, Rgb to, double fraction) {
    auto mix = [fraction](int a, int b) { return a + (b - a) * fraction; };
    QColor c;
    c.setRgbF(float(mix(from.r, to.r) / 255), float(mix(from.g, to.g) / 255), float(mix(from.b, to.b) / 255));
    return c;
}

} // namespace

QString MultiModeBanner::text() {
    return QStringLiteral("MULTI-WINDOW MODE");
}

qreal MultiModeBanner::baseFontSize() const {
    return std::max<qreal>(0.27 * u, 9);
}

qreal MultiModeBanner::baseTracking() const {
    return std::max<qreal>(0.03 * u, 1);
}

qreal MultiModeBanner::measuredWidth() const {
    return QFontMetricsF(bannerFont(baseFontSize(), baseTracking())).horizontalAdvance(text());
}

qreal MultiModeBanner::scaleFor(qreal barWidth, qreal measured) {
    const qreal s = measured > 1 ? 0.88 * barWidth / measured : 0.88 * barWidth;
    return std::min<qreal>(s, 1);
}

QGradientStops MultiModeBanner::stops(double t, Scheme scheme) {
    const ThemeGradient& pair = scheme == Scheme::Dark ? Theme::accentGradientBright : Theme::accentGradient;
    const Rgb c1 = pair.first.rgb(scheme), c2 = pair.second.rgb(scheme);
    QGradientStops result;
    for (int i = 0; i < kStopCount; ++i) {
        const double location = double(i) / (kStopCount - 1);
        const double fraction = 0.5 + 0.5 * std::cos(2 * std::numbers::pi * (location / 1.1 - 0.5 * t));
        result.append({location, blend(c1, c2, fraction)});
    }
    return result;
}

void MultiModeBanner::paint(QPainter& painter, QPointF origin, double t, Scheme scheme) const {
    if (size.width() <= 0 || size.height() <= 0)
        return;
    const qreal m = measuredWidth();
    const qreal s = scale();
    if (s <= 0)
        return;
    const QRectF bar(origin, size);
    const QFont font = bannerFont(baseFontSize() * s, baseTracking() * s);
    QRadialGradient gradient(bar.center(), 0.5 * m * s);
    gradient.setStops(stops(t, scheme));

    // The gradient shows through the text only: draw the text, then colour it in place.
    const qreal deviceRatio = deviceScale(painter);
    QImage layer((bar.size() * deviceRatio).toSize().expandedTo(QSize(1, 1)),
                 QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(deviceRatio);
    layer.fill(Qt::transparent);
    {
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.translate(-bar.topLeft());
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(bar.adjusted(-bar.width(), 0, bar.width(), 0), Qt::AlignCenter | Qt::TextSingleLine,
                   text());
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(bar, gradient);
    }
    painter.drawImage(bar.topLeft(), layer);
}

} // namespace tilewick
