#pragma once

#include <QBrush>
#include <QImage>
#include <QSizeF>

class QPainter;

namespace tilewick {

// The menu-bar icon: the application icon's screen as a single-colour drawing, its lit
// quarter solid, at scale q = size (1.13 q × 0.9 q).
struct QuarterMenuBar {
    qreal size = 0;

    QSizeF frameSize() const { return {1.13 * size, 0.9 * size}; }
    // Draws the icon centred on `centre` in `brush`.
    void paint(QPainter& painter, QPointF centre, const QBrush& brush) const;
};

// The tray icon: QuarterMenuBar(17) in black, centred in 19.5 × 16 points at two pixels per
// point, as a template whose alpha alone matters; made once.
const QImage& menuBarImage();

// A template image in one colour, as a panel tints it.
QImage tintedTemplate(const QImage& image, const QColor& color);

} // namespace tilewick
