#pragma once

#include "TextBlock.h"

#include "tilewick/visuals/ViewServices.h"

#include <QHash>
#include <QList>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <optional>

namespace tilewick {

class ManualViewState;

// The whole manual as one document, the content of the manual window's scroll area: every part
// with its heading and topics, the glossary and the footer, in a column at most 680 wide that is
// centred in wide windows. Topics and terms light up while the view state flashes them; links
// go to the view state.
class ManualDocument final : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal kColumn = 680;
    static constexpr qreal kSidePadding = 28;

    ManualDocument(ManualViewState& state, ViewServices services, QWidget* parent = nullptr);

    // The column the manual's header, document and results share in a view `width` wide: at most
    // 680, 28 in from the edges, centred.
    struct Column {
        qreal left = 0;
        qreal width = 0;
    };
    static Column columnFor(qreal width);

    // Lays the document out `width` wide and returns its height.
    qreal layoutFor(qreal width);
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

    // The top of the element with this scroll identity (a part, a topic, "glossary" or a term),
    // in the document's coordinates, as laid out now.
    std::optional<qreal> anchorTop(const QString& id) const;
    // The tops of the sections' heading blocks.
    QHash<QString, qreal> sectionTops() const;
    // The box a flash lights for this topic or term.
    std::optional<QRectF> highlightRect(const QString& id) const;
    // The link under a point of the document.
    std::optional<QString> linkAt(QPointF point) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class Ink { Primary, Secondary, White };
    struct Text {
        TextBlock block;
        QPointF at;
        Ink ink = Ink::Primary;
        // Topics and table labels keep to their measured width; other text wraps to the column.
        qreal width = 0;
    };
    enum class Box { Rule, Note, Table, Badge };
    struct Shape {
        Box kind;
        QRectF rect;
    };
    struct Highlight {
        QString id;
        QRectF rect;
    };

    void build();
    void refreshFrames();

    ManualViewState& m_state;
    ViewServices m_services;
    qreal m_laidOutWidth = -1;
    qreal m_height = 0;
    QList<Text> m_texts;
    QList<Shape> m_shapes;
    QList<Highlight> m_highlights;
    QHash<QString, qreal> m_anchors;
    QStringList m_sectionIds;
    std::optional<QString> m_pressedLink;
    platform::RepeatingTimerRef m_frames;
};

} // namespace tilewick
