#include "HeadingText.h"

#include "Theme.h"

#include <QFontMetricsF>
#include <QPainter>

namespace tilewick {

QFont HeadingText::trackedFont() const {
    QFont tracked = font;
    tracked.setLetterSpacing(QFont::AbsoluteSpacing, -0.4);
    return tracked;
}

QSizeF HeadingText::sizeHint() const {
    const QFontMetricsF metrics(trackedFont());
    return {metrics.horizontalAdvance(text), metrics.height()};
}

void HeadingText::paint(QPainter& painter, const QRectF& rect, Scheme scheme) const {
    painter.save();
    painter.setFont(trackedFont());
    painter.setPen(Theme::text.resolve(scheme));
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    painter.restore();
}

} // namespace tilewick
