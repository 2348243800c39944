#pragma once

#include "KeyCap.h"
#include "KeyCapContext.h"

#include "tilewick/visuals/HoverLift.h"

#include <QGraphicsObject>

namespace tilewick {

// One key cap of a drawn keyboard: paints its KeyCap's look, lifts under the pointer, reports
// hovering to the store and the hover tips, and taps. Its face is cached; the animated outline
// of its pulse is a child of its own, so a pulse frame repaints only that outline.
class KeyCapItem final : public QGraphicsObject {
    Q_OBJECT

public:
    KeyCapItem(KeyCapContext& keyboard, QGraphicsItem* parent);

    const KeyCap& cap() const { return m_cap; }
    const KeyCap::Look& look() const { return m_look; }
    QSizeF size() const { return m_size; }
    // A new cap (geometry or binding) or look; repaints only when something changed.
    void setCap(const KeyCap& cap, QSizeF size, const KeyCap::Look& look);
    const HoverLift& lift() const { return m_lift; }
    // Draws the pulse's outline again, at the phase of now.
    void updatePulse();

    // The default accessibility action: what a click does, without the picking checks.
    void press();
    // The pointer entered or left (also reached through hover events).
    void setHovered(bool hovered, QPointF scenePos = {});
    // A tap as the pointer gives it.
    void tap();

    // Steps lift and blink to `now`; true while they still need frames.
    bool advance(double now);

    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

protected:
    void hoverEnterEvent(QGraphicsSceneHoverEvent* event) override;
    void hoverMoveEvent(QGraphicsSceneHoverEvent* event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent* event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;

private:
    class PulseOutline;

    void paintContent(QPainter& painter, const QRectF& area) const;
    void applyInteraction();

    KeyCapContext& m_keyboard;
    KeyCap m_cap;
    KeyCap::Look m_look;
    QSizeF m_size;
    QPainterPath m_shape;
    HoverLift m_lift;
    PulseOutline* m_pulse = nullptr;
    bool m_blinkOn = true;
};

} // namespace tilewick
