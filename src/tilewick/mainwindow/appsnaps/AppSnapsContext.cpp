#include "AppSnapsContext.h"

#include <QWidget>

namespace tilewick {

TipTracker* AppSnapsContext::attachTip(QWidget& widget, const QString& text) const {
    if (!tips) {
        widget.setAccessibleDescription(text);
        return nullptr;
    }
    return TipTracker::attach(
        widget, text, *tips, toRoot ? toRoot : [](const QWidget& from, QPointF local) {
            return QPointF(from.mapTo(from.window(), local.toPoint()));
        });
}

} // namespace tilewick
