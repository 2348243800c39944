#pragma once

#include <QLayout>
#include <QList>
#include <QRectF>
#include <QSizeF>

#include <optional>

namespace tilewick {

// Lays items out in left-aligned rows that wrap at the available width; the same spacing
// separates neighbours and rows. Items keep their ideal sizes and line up at the top of their
// row; one wider than the width gets a row of its own. The banners lay their buttons out with
// it. Rows are worked out afresh on every pass: it is meant for a handful of items.
class FlowLayout final : public QLayout {
public:
    // One line of the flow: the items' positions in the list, their ideal widths plus one
    // spacing between neighbours, and the tallest item's height.
    struct Row {
        QList<int> items;
        qreal width = 0;
        qreal height = 0;

        friend bool operator==(const Row&, const Row&) = default;
    };

    // The rows of items of these ideal sizes within `maxWidth`; there is always at least one
    // (empty when there are no items).
    static QList<Row> rows(const QList<QSizeF>& sizes, qreal maxWidth, qreal spacing);
    // The size of the wrapped rows for a proposed width; none means unlimited (one row). The
    // width never exceeds the proposed one.
    static QSizeF sizeThatFits(const QList<QSizeF>& sizes, std::optional<qreal> proposedWidth, qreal spacing);
    // Each item's frame within `bounds`, at its ideal size.
    static QList<QRectF> place(const QList<QSizeF>& sizes, const QRectF& bounds, qreal spacing);

    explicit FlowLayout(qreal spacing, QWidget* parent = nullptr);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override { return int(m_items.size()); }
    QLayoutItem* itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem* takeAt(int index) override;

    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    // The one-row size.
    QSize sizeHint() const override;
    // As wide as the widest item.
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Hidden widgets take no place in the flow.
    QList<QLayoutItem*> shownItems() const;
    QList<QSizeF> itemSizes() const;

    qreal m_spacing;
    QList<QLayoutItem*> m_items;
};

} // namespace tilewick
