#pragma once

#include <QList>
#include <QWidget>

#include <functional>
#include <map>

class QScrollArea;

namespace tilewick {

// The content of a scroll area: a column of rows of one height, of which only those in view, and
// one on either side, exist as widgets. It is as high as the whole column, so the scroll bar and
// every row's place are those of a column holding them all, while a list of thousands costs what
// a screenful does. Rows are made as they scroll into view and go as they leave it.
class VisibleRows final : public QWidget {
    Q_OBJECT

public:
    // Makes the row at `index` as a child of `parent`.
    using Maker = std::function<QWidget*(qsizetype index, QWidget* parent)>;

    struct Metrics {
        int rowHeight = 0;
        // Between two rows.
        int spacing = 0;
        // Around the column, on every side.
        int margin = 0;
    };

    // Rows for `count` items, made by `make`, once this is the widget of `scroll`.
    VisibleRows(QScrollArea& scroll, Metrics metrics, qsizetype count, Maker make);

    qsizetype count() const { return m_count; }
    // Where the row at `index` lies in the column, made or not.
    QRect rowGeometry(qsizetype index) const;
    // The rows that exist, in the order of their indexes.
    QList<QWidget*> rows() const;
    // The index of a row that exists; -1 for another widget.
    qsizetype indexOf(const QWidget* row) const;
    // Makes the rows that came into view and lets go of those that left it.
    void place();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QScrollArea& m_scroll;
    QWidget* m_viewport = nullptr;
    Metrics m_metrics;
    qsizetype m_count;
    Maker m_make;
    std::map<qsizetype, QWidget*> m_made;
};

} // namespace tilewick
