#pragma once

#include <QPainterPath>
#include <QRectF>

namespace tilewick {

// The outline of the ISO two-row return key: a full-width upper part over a narrower lower
// part hanging down on the right, every corner rounded (the inner one concave).
struct ReturnKeyShape {
    qreal bottomWidth = 0;
    qreal topHeight = 0;
    qreal radius = 0;
    // From the key's left edge to the lower part's left edge; the key cap insets its content by
    // it. The outline works that edge out from bottomWidth.
    qreal leadingInset = 0;
    qreal insetBy = 0;

    // The corner where the upper part's bottom edge meets the lower part's left edge.
    QPointF innerCorner(const QRectF& rect) const;
    // The corner radius used: radius − insetBy, never below 1.
    qreal cornerRadius() const;
    QPainterPath path(const QRectF& rect) const;

    friend bool operator==(const ReturnKeyShape&, const ReturnKeyShape&) = default;
};

// Appends to `path` a line towards `corner` that turns through an arc of `radius` tangent to
// both edges, heading to `next` (the "arc to tangent" drawing primitive).
void arcToTangent(QPainterPath& path, QPointF corner, QPointF next, qreal radius);

} // namespace tilewick
