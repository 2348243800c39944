#pragma once

#include "tilewick/model/AppSnap.h"
#include "tilewick/visuals/Theme.h"

#include <QRectF>

class QPainter;

namespace tilewick {

// A saved snap's layout as the key caps draw it, every part lit for a multi-window snap. It has
// no size of its own: its users give it a rectangle (30 × 18 in the picker, 36 × 21 in the saved
// list).
struct PositionIcon {
    AppSnap snap;

    void paint(QPainter& painter, const QRectF& rect, Scheme scheme) const;
};

} // namespace tilewick
