#pragma once

#include "HotkeyView.h"
#include "LayoutPreview.h"
#include "PageItem.h"

namespace tilewick {

// The card of one layout action: the drawing of what it does and its hotkey as a chip. Cards of
// the layout tabs (one name line) put an "Edit" label beside the chip and the key on the drawing;
// the Global tab's cards (two) put the action's title under the chip. A click records a new key
// for the action; while that runs the card is outlined, the chip blinks and the tip says how it
// ends. Hovering the card names its action to the store; hovering its key on the drawn
// keyboard makes it pulse.
class SnapCard final : public PageItem {
    Q_OBJECT

public:
    static constexpr qreal kPadding = 12;
    static constexpr qreal kSpacing = 8;
    static constexpr qreal kOneLineHeight = 38.56;
    static constexpr qreal kEditSpacing = 14;
    static constexpr qreal kStackedChipScale = 1.35;

    // Where the parts of a card go, from its outer top-left corner.
    struct Layout {
        QSizeF card;
        QRectF preview;
        QRectF nameArea;
        bool oneLine = true;
        qreal chipScale = 1;

        static Layout of(qreal width, qreal previewHeight, int nameLines);
        // The chip's scale on a one-line card: (width − 86) / 70, within 1 … 1.44.
        static qreal oneLineChipScale(qreal width);
    };

    SnapCard(const PageContext& context, SnapAction action, qreal width, qreal previewHeight, int nameLines,
             QGraphicsItem* parent = nullptr);

    SnapAction action() const { return m_action; }
    const Layout& layout() const { return m_layout; }
    int nameLines() const { return m_nameLines; }

    // The store records this card's action.
    bool recording() const;
    // Outlined: recorded now, or flashing after its hotkey was used.
    bool selected() const;
    // The chip as the card shows it now: the action's hotkey, or the dash hotkey when unbound.
    HotkeyView chip() const;
    LayoutPreview preview() const;
    // The card's last frame in the view; the zero rectangle until it is laid out.
    QRectF cardFrame() const { return m_cardFrame; }

    QString tipText() const override;
    QString accessibleName() const override;
    QString accessibleValue() const override;
    QString actionName() const override { return QStringLiteral("Edit hotkey"); }
    void activate() override;
    void frameChanged() override;

    static QString tipText(SnapAction action, bool recording);

protected:
    HoverLift::Options liftOptions() const override;
    bool animatesContent() const override { return recording(); }
    void paintContent(QPainter& painter, const QRectF& rect, Scheme scheme, double now) override;
    void hoverEnterEvent(QGraphicsSceneHoverEvent* event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent* event) override;

private:
    void reportFrame();

    SnapAction m_action;
    int m_nameLines;
    Layout m_layout;
    QRectF m_cardFrame;
};

} // namespace tilewick
