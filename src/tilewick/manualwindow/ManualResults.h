#pragma once

#include "TextBlock.h"

#include "tilewick/manual/ManualSearch.h"
#include "tilewick/visuals/ViewServices.h"

#include <QList>
#include <QRectF>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>

namespace tilewick {

class ManualViewState;

// `text` with every occurrence of every word (ignoring case and diacritics) set in `markFont`
// and drawn in the accent colour.
TextBlock highlighted(const QString& text, const QStringList& words, const QFont& font, const QFont& markFont,
                      int maxLines = 0);

// "1 result for “undo”", "3 results for “undo”" or "Nothing found for “undo”": the query as typed.
QString resultsSummary(qsizetype count, const QString& query);

// One result: where it lives, its title and a snippet of its text with the query's words marked,
// on a card whose border turns to the accent under the pointer. A click runs `open`.
struct ResultRow {
    Manual::Entry entry;
    QStringList words;
    std::function<void()> open;
    bool hovering = false;

    static constexpr int kSnippetLines = 3;

    TextBlock kicker() const;
    TextBlock title() const;
    TextBlock snippet() const;
};

// The manual's search results, shown instead of the document while the field holds text: the
// summary, a hint when nothing was found, and one card per result, in a column matching the
// document's. Built afresh from the view state's query whenever it changes.
class ManualResults final : public QWidget {
    Q_OBJECT

public:
    ManualResults(ManualViewState& state, ViewServices services, QWidget* parent = nullptr);

    const QList<ResultRow>& rows() const { return m_rows; }
    // The cards' frames as laid out now, in result order.
    QList<QRectF> cardFrames() const;
    // The link under a point: only the hint has one.
    std::optional<QString> linkAt(QPointF point) const;

    qreal layoutFor(qreal width);
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    struct Card {
        QRectF frame;
        TextBlock kicker;
        TextBlock title;
        TextBlock snippet;
    };

    void rebuild();
    int cardAt(QPointF point) const;
    void setHovered(int index);

    ManualViewState& m_state;
    ViewServices m_services;
    QList<ResultRow> m_rows;
    QString m_query;
    qreal m_laidOutWidth = -1;
    qreal m_height = 0;
    TextBlock m_summary;
    QPointF m_summaryAt;
    std::optional<TextBlock> m_hint;
    QPointF m_hintAt;
    QList<Card> m_cards;
    int m_pressedCard = -1;
    std::optional<QString> m_pressedLink;
};

} // namespace tilewick
