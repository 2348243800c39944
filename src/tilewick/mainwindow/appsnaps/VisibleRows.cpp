#include "VisibleRows.h"

#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

namespace tilewick {

VisibleRows::VisibleRows(QScrollArea& scroll, Metrics metrics, qsizetype count, Maker make)
    : m_scroll(scroll), m_metrics(metrics), m_count(count), m_make(std::move(make)) {
    const qsizetype pitch = m_metrics.rowHeight + m_metrics.spacing;
    const qsizetype column = m_count > 0 ? m_count * pitch - m_metrics.spacing : 0;
    setFixedHeight(int(column + 2 * m_metrics.margin));
    connect(m_scroll.verticalScrollBar(), &QScrollBar::valueChanged, this, &VisibleRows::place);
    m_viewport = m_scroll.viewport();
    m_viewport->installEventFilter(this);
}

QRect VisibleRows::rowGeometry(qsizetype index) const {
    const int pitch = m_metrics.rowHeight + m_metrics.spacing;
    return QRect(m_metrics.margin, m_metrics.margin + int(index) * pitch, width() - 2 * m_metrics.margin,
                 m_metrics.rowHeight);
}

QList<QWidget*> VisibleRows::rows() const {
    QList<QWidget*> rows;
    rows.reserve(qsizetype(m_made.size()));
    for (const auto& [index, row] : m_made)
        rows.append(row);
    return rows;
}

qsizetype VisibleRows::indexOf(const QWidget* row) const {
    for (const auto& [index, made] : m_made)
        if (made == row)
            return index;
    return -1;
}

void VisibleRows::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place();
}

bool VisibleRows::eventFilter(QObject* watched, QEvent* event) {
    // Compared by the pointer kept: the filter also sees the viewport's last events while the
    // scroll area is being destroyed, when it may no longer be asked for its viewport.
    if (watched == m_viewport && event->type() == QEvent::Resize)
        place();
    return QWidget::eventFilter(watched, event);
}

void VisibleRows::place() {
    if (m_scroll.widget() != this)
        return;
    const int pitch = m_metrics.rowHeight + m_metrics.spacing;
    const int top = m_scroll.verticalScrollBar()->value() - m_metrics.margin;
    const int bottom = top + std::max(m_scroll.viewport()->height(), 0);
    // One row more on either side: a row half in view is whole, and a step of the keys or the
    // wheel finds the next one made.
    const qsizetype first = std::max<qsizetype>(top / pitch - 1, 0);
    const qsizetype last = std::min<qsizetype>(bottom / pitch + 1, m_count - 1);

    for (auto it = m_made.begin(); it != m_made.end();) {
        if (it->first >= first && it->first <= last) {
            ++it;
            continue;
        }
        // Later: the row may be the one a click or a key is being handled for.
        it->second->hide();
        it->second->deleteLater();
        it = m_made.erase(it);
    }
    for (qsizetype i = first; i <= last; ++i) {
        auto made = m_made.find(i);
        if (made == m_made.end()) {
            made = m_made.emplace(i, m_make(i, this)).first;
            made->second->show();
        }
        made->second->setGeometry(rowGeometry(i));
    }
}

} // namespace tilewick
