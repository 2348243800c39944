#pragma once

#include <QByteArray>
#include <QPainterPath>
#include <QRectF>

#include <functional>
#include <type_traits>

class QPainter;

namespace platform {

// Device pixels per point of the painter's current transform.
qreal deviceScale(const QPainter& painter);

// Draws `draw` as one group at `opacity`: overlapping parts (a fill and the border or label
// over it) fade together instead of showing through each other. `bounds` must hold the
// whole drawing.
void paintLayer(QPainter& painter, const QRectF& bounds, qreal opacity,
                const std::function<void(QPainter&)>& draw);

// Appends the bytes of a plain value to a cache key.
template <typename T> void appendBytes(QByteArray& key, T value) {
    static_assert(std::is_trivially_copyable_v<T>);
    key.append(reinterpret_cast<const char*>(&value), qsizetype(sizeof value));
}

// The outline of `shape` relative to its bounds' top-left corner, as a cache key: the same
// shape anywhere gives the same key.
QByteArray shapeCacheKey(const QPainterPath& shape);

// Draws what `draw` paints around `shape` (within `margin` of its bounds) from a picture kept
// per shape, `style` and resolution, at `opacity`. `draw` must depend only on the shape and the
// style, not on where the shape lies. For drawings that repeat every frame at another opacity.
void paintCached(QPainter& painter, const QPainterPath& shape, qreal margin, const QByteArray& style,
                 qreal opacity, const std::function<void(QPainter&)>& draw);

// Lets go of the pictures paintCached() keeps that were not drawn since the last trim (of
// sizes no longer drawn), or of every one; they are drawn again when next needed.
void trimCachedPictures();
void releaseCachedPictures();

} // namespace platform
