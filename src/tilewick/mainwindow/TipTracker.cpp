#include "TipTracker.h"

#include "tilewick/visuals/HoverTips.h"

#include <QHoverEvent>
#include <QWidget>

namespace tilewick {

TipTracker::TipTracker(QWidget& widget, QString text, HoverTipState& tips, ToRoot toRoot)
    : QObject(&widget), m_widget(widget), m_text(std::move(text)), m_tips(&tips),
      m_toRoot(std::move(toRoot)) {
    widget.setAttribute(Qt::WA_Hover);
    widget.setAccessibleDescription(m_text);
    widget.installEventFilter(this);
}

TipTracker* TipTracker::attach(QWidget& widget, const QString& text, HoverTipState& tips, QWidget& root) {
    QPointer<QWidget> rootWidget(&root);
    return attach(widget, text, tips, [rootWidget](const QWidget& from, QPointF local) -> QPointF {
        return rootWidget ? QPointF(from.mapTo(rootWidget, local.toPoint())) : local;
    });
}

TipTracker* TipTracker::attach(QWidget& widget, const QString& text, HoverTipState& tips, ToRoot toRoot) {
    return new TipTracker(widget, text, tips, std::move(toRoot));
}

void TipTracker::setText(const QString& text) {
    if (text == m_text)
        return;
    if (m_tips)
        m_tips->track(std::nullopt, m_text);
    m_text = text;
    m_widget.setAccessibleDescription(m_text);
}

bool TipTracker::eventFilter(QObject* watched, QEvent* event) {
    if (!m_tips)
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
        m_tips->track(m_toRoot(*widget, static_cast<QHoverEvent*>(event)->position()), m_text);
        break;
    case QEvent::HoverLeave:
    case QEvent::Hide:
        m_tips->track(std::nullopt, m_text);
        break;
    default:
        break;
    }
    return false;
}

} // namespace tilewick
