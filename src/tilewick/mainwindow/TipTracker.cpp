#include "TipTracker.h"

#include "tilewick/visuals/HoverTips.h"

#include <QHoverEvent>
#include <QWidget>

namespace tilewick {

TipTracker::TipTracker(QWidget& widget, QString text, HoverTipState& tips, QWidget& root)
    : QObject(&widget), m_text(std::move(text)), m_tips(tips), m_root(&root) {
    widget.setAttribute(Qt::WA_Hover);
    widget.setAccessibleDescription(m_text);
    widget.installEventFilter(this);
}

void TipTracker::attach(QWidget& widget, const QString& text, HoverTipState& tips, QWidget& root) {
    new TipTracker(widget, text, tips, root);
}

bool TipTracker::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
        if (m_root) {
            const QPointF local = static_cast<QHoverEvent*>(event)->position();
            m_tips.track(QPointF(widget->mapTo(m_root, local.toPoint())), m_text);
        }
        break;
    case QEvent::HoverLeave:
    case QEvent::Hide:
        m_tips.track(std::nullopt, m_text);
        break;
    default:
        break;
    }
    return false;
}

} // namespace tilewick
