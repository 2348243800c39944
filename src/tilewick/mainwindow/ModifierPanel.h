#pragma once

#include "PageItem.h"

#include <QStringList>

namespace tilewick {

// A row of modifier-key symbols in the order Control, Option, Shift, Command, each with its
// lower-case name below it when `labels` is set.
struct ModifierSymbols {
    quint64 modifiers = 0;
    qreal size = 0;
    bool labels = false;

    struct Item {
        QString name;
        // The item's column: the symbol on top, the name below.
        QRectF rect;
    };
    // The space between items: 0.8 × size with labels and fewer than three, 0.35 × size with
    // labels and three or more, 0.3 × size without labels.
    qreal spacing() const;
    QList<Item> items() const;
    QSizeF sizeHint() const;
    // Draws the row centred in `frame`, symbols and names in `brush`.
    void paint(QPainter& painter, const QRectF& frame, const QBrush& brush) const;
};

// The Global tab's panel of the hotkey modifiers: the current ones in a well, "Edit Tilewick
// modifier keys" and the current set in words. A click edits them: the store then takes every
// chord of two or three modifiers held, until a click outside the panel or Escape.
class ModifierPanel final : public PageItem {
    Q_OBJECT

public:
    static constexpr qreal kPadding = 12;
    static constexpr qreal kSpacing = 14;
    static constexpr qreal kWellWidth = 160;

    ModifierPanel(const PageContext& context, QSizeF size, QGraphicsItem* parent = nullptr);

    // The modifier set in capitals, joined by no-break space, "+", no-break space ("OPT + CMD").
    static QString caption(quint64 modifiers);
    // The well's rectangle in a panel of `size`.
    static QRectF wellRect(QSizeF size);
    // The caption row's words for the editing state, upper-cased, and its symbol.
    static QString captionText(bool editing);
    static QString captionSymbol(bool editing);

    QString tipText() const override;
    QString accessibleName() const override { return QStringLiteral("Edit Tilewick modifier keys"); }
    QString accessibleValue() const override;
    QString actionName() const override { return QStringLiteral("Change modifier keys"); }
    void activate() override;
    void frameChanged() override;

protected:
    HoverLift::Options liftOptions() const override;
    bool animatesContent() const override;
    void paintContent(QPainter& painter, const QRectF& rect, Scheme scheme, double now) override;
};

} // namespace tilewick
