#include "FlowLayout.h"

#include <QWidget>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tilewick {

QList<FlowLayout::Row> FlowLayout::rows(const QList<QSizeF>& sizes, qreal maxWidth, qreal spacing) {
    QList<Row> rows{Row{}};
    for (int i = 0; i < sizes.size(); ++i) {
        const qreal w = sizes[i].width(), h = sizes[i].height();
        Row& current = rows.last();
        if (!current.items.isEmpty() && maxWidth < current.width + spacing + w)
            rows.append(Row{{}, w, 0});
        else
            current.width += current.items.isEmpty() ? w : spacing + w;
        Row& row = rows.last();
        row.items.append(i);
        row.height = std::max(row.height, h);
    }
    return rows;
}

QSizeF FlowLayout::sizeThatFits(const QList<QSizeF>& sizes, std::optional<qreal> proposedWidth,
                                qreal spacing) {
    const auto all = rows(sizes, proposedWidth.value_or(std::numeric_limits<qreal>::infinity()), spacing);
    qreal widest = 0, height = 0;
    for (const Row& row : all) {
        widest = std::max(widest, row.width);
        height += row.height;
    }
    height += spacing * qreal(all.size() - 1);
    return {proposedWidth ? std::min(*proposedWidth, widest) : widest, height};
}

QList<QRectF> FlowLayout::place(const QList<QSizeF>& sizes, const QRectF& bounds, qreal spacing) {
    QList<QRectF> frames(sizes.size());
    qreal y = bounds.top();
    for (const Row& row : rows(sizes, bounds.width(), spacing)) {
        qreal x = bounds.left();
        for (int index : row.items) {
            frames[index] = QRectF(QPointF(x, y), sizes[index]);
            x += sizes[index].width() + spacing;
        }
        y += row.height + spacing;
    }
    return frames;
}

FlowLayout::FlowLayout(qreal spacing, QWidget* parent) : QLayout(parent), m_spacing(spacing) {
    setContentsMargins(0, 0, 0, 0);
}

FlowLayout::~FlowLayout() {
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void FlowLayout::addItem(QLayoutItem* item) {
    m_items.append(item);
    invalidate();
}

QLayoutItem* FlowLayout::takeAt(int index) {
    if (index < 0 || index >= m_items.size())
        return nullptr;
    QLayoutItem* item = m_items.takeAt(index);
    invalidate();
    return item;
}

QList<QLayoutItem*> FlowLayout::shownItems() const {
    QList<QLayoutItem*> shown;
    for (QLayoutItem* item : m_items)
        if (!item->isEmpty())
            shown.append(item);
    return shown;
}

QList<QSizeF> FlowLayout::itemSizes() const {
    QList<QSizeF> sizes;
    for (const QLayoutItem* item : shownItems())
        sizes.append(QSizeF(item->sizeHint()));
    return sizes;
}

int FlowLayout::heightForWidth(int width) const {
    return int(std::ceil(sizeThatFits(itemSizes(), width, m_spacing).height()));
}

QSize FlowLayout::sizeHint() const {
    return sizeThatFits(itemSizes(), std::nullopt, m_spacing).toSize();
}

QSize FlowLayout::minimumSize() const {
    QSize size;
    for (const QSizeF& item : itemSizes())
        size = size.expandedTo(item.toSize());
    return size;
}

void FlowLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const QList<QLayoutItem*> shown = shownItems();
    const QList<QRectF> frames = place(itemSizes(), QRectF(rect), m_spacing);
    for (int i = 0; i < shown.size(); ++i)
        shown[i]->setGeometry(frames[i].toRect());
}

} // namespace tilewick
