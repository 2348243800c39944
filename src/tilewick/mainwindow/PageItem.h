#pragma once

#include "PageContext.h"

#include "tilewick/visuals/HoverLift.h"

#include "platform/Runtime.h"

#include <QGraphicsObject>

namespace tilewick {

// A clickable element of a tab page (a card, the modifier panel): a fixed size, the hover lift
// with its pointer, a hover tip, and what assistive technology is told of it. Subclasses say
// what the store makes of them (lift options, tip, texts) and draw themselves; refresh() reads
// the store again.
class PageItem : public QGraphicsObject, public ReportsFrame {
    Q_OBJECT

public:
    static constexpr double kFrame = 1.0 / 30;

    PageItem(const PageContext& context, QSizeF size, QGraphicsItem* parent = nullptr);
    ~PageItem() override;

    QSizeF size() const { return m_size; }
    const HoverLift& lift() const { return m_lift; }
    const PageContext& context() const { return m_context; }

    // The text of the hover tip, also the accessibility hint.
    virtual QString tipText() const = 0;
    virtual QString accessibleName() const = 0;
    // More to say after the name (a hotkey); empty when nothing.
    virtual QString accessibleValue() const { return {}; }
    // The one named accessibility action; empty when the element has none (then it is no button).
    virtual QString actionName() const { return {}; }
    // What a click and the accessibility action do.
    virtual void activate() {}

    // The element's frame in the host view's coordinates, without its lift.
    QRectF rootFrame() const;
    // The pointer entered or left (also reached through hover events), at a point of the scene.
    void setHovered(bool hovered, QPointF scenePos = {});
    // The element's frame moved in the view (its own move, a scroll, a new scale).
    void frameChanged() override {}
    // Steps lift and animations to `now`; true while frames are still needed.
    bool advance(double now);

    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

protected:
    virtual HoverLift::Options liftOptions() const = 0;
    // Something of the content moves (a blinking cursor): frames are drawn meanwhile.
    virtual bool animatesContent() const { return false; }
    // The element's own look in its rectangle, between the lift's shadow and its outline.
    virtual void paintContent(QPainter& painter, const QRectF& rect, Scheme scheme, double now) = 0;
    // Reads the store again: lift, pointer, drawing.
    void refresh();

    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;
    void hoverEnterEvent(QGraphicsSceneHoverEvent* event) override;
    void hoverMoveEvent(QGraphicsSceneHoverEvent* event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent* event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;

private:
    void scheduleFrames();
    void trackTip(QPointF scenePos);
    void hideTip();

    PageContext m_context;
    QSizeF m_size;
    HoverLift m_lift;
    platform::RepeatingTimerRef m_frames;
    // The tip text last handed to the tips under the pointer.
    QString m_tipShown;
};

} // namespace tilewick
