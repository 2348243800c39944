#pragma once

#include "Theme.h"

#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

namespace tilewick {

// A heading: the text as given (never translated), in the caller's font tracked -0.4, in the
// theme's text colour.
struct HeadingText {
    QString text;
    QFont font;

    QFont trackedFont() const;
    QSizeF sizeHint() const;
    // Draws the text on one line, left-aligned and vertically centred in `rect`.
    void paint(QPainter& painter, const QRectF& rect, Scheme scheme) const;
};

} // namespace tilewick
