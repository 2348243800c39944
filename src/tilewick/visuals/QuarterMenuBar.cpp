#include "QuarterMenuBar.h"

#include "QuarterIcon.h"
#include "RoundedRect.h"
#include "Symbols.h"

#include <QPainter>

#include <algorithm>

namespace tilewick {

void QuarterMenuBar::paint(QPainter& painter, QPointF centre, const QBrush& brush) const {
    const qreal q = size;
    const qreal W = 1.13 * q, H = 0.9 * q, e = 0.07 * q, g = 0.05 * q, b = e + g;
    const qreal R = 0.17 * H;
    const qreal corner = std::max(R - b, qreal(0.5));

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(centre - QPointF(W, H) / 2);

    // The lit quarter, rounded only at its top-left corner.
    const QRectF quarter(b, b, W / 2 - b, H / 2 - b);
    QPainterPath lit;
    lit.moveTo(quarter.left(), quarter.bottom());
    lit.lineTo(quarter.left(), quarter.top() + corner);
    lit.arcTo(QRectF(quarter.topLeft(), QSizeF(2 * corner, 2 * corner)), 180, -90);
    lit.lineTo(quarter.right(), quarter.top());
    lit.lineTo(quarter.bottomRight());
    lit.closeSubpath();
    painter.fillPath(lit, brush);

    painter.strokePath(QuarterIcon::dividers(W, H, e, b), QuarterIcon::dividerPen(brush, g));

    RoundedRect{QRectF(0, 0, W, H), R, CornerStyle::Circular}.strokeInside(painter, brush, e);
    painter.restore();
}

namespace {

QImage drawMenuBarImage() {
    constexpr qreal scale = 2;
    const QSizeF frame(19.5, 16);
    QImage image(QSize(int(frame.width() * scale), int(frame.height() * scale)),
                 QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QuarterMenuBar{17}.paint(painter, QPointF(frame.width(), frame.height()) / 2, Qt::black);
    return image;
}

QImage fallbackImage() {
    QImage image(QSize(32, 32), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    Symbols::paint(painter, QStringLiteral("rectangle.split.2x1"), {8, 8}, 16, Qt::black);
    return image;
}

} // namespace

const QImage& menuBarImage() {
    static const QImage image = [] {
        QImage drawn = drawMenuBarImage();
        if (drawn.isNull())
            drawn = fallbackImage();
        drawn.setText(QStringLiteral("Description"), QStringLiteral("Tilewick"));
        return drawn;
    }();
    return image;
}

QImage tintedTemplate(const QImage& image, const QColor& color) {
    QImage tinted = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&tinted);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(QPointF(0, 0), tinted.deviceIndependentSize()), color);
    return tinted;
}

} // namespace tilewick
