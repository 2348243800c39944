#include "Layer.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tilewick {

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

} // namespace tilewick
