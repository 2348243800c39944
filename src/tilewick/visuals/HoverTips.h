#pragma once

#include "Motion.h"
#include "ViewServices.h"

#include "platform/Runtime.h"

#include <QGraphicsObject>
#include <QPointF>
#include <QPointer>
#include <QSizeF>
#include <QString>

#include <optional>

namespace tilewick {

// The program's one help bubble. An element carrying a help text reports hovering through
// track(); the tip shows 1.0 s after the pointer came to rest on it and hides when the pointer
// leaves, when another element's tip takes over, or on any click.
//
// Points are in the "hoverTipRoot" space: the coordinates of the scene that hosts the
// HoverTipLayer, whose item sits at the scene's origin. Main thread only; the delayed show
// runs on the main queue of the views' runtime. The program makes one and hands it to every view
// that shows tips.
class HoverTipState final : public QObject {
    Q_OBJECT

public:
    static constexpr double kShowDelay = 1.0;
    static constexpr double kShowFade = 0.18;
    static constexpr double kHideFade = 0.08;

    explicit HoverTipState(ViewServices services);
    ~HoverTipState() override;

    const ViewServices& services() const { return m_services; }

    QString text() const { return m_text; }
    QPointF point() const { return m_point; }
    bool visible() const { return m_visible; }
    // The bubble's opacity at `now` as it fades in (ease-in) or out (ease-out).
    double opacityAt(double now) const { return m_fade.valueAt(now); }
    bool isFading(double now) const { return m_fade.isRunning(now); }

    // One hover update of an element: an active phase carries the pointer location, an ended
    // phase none. An empty text does nothing.
    void track(std::optional<QPointF> location, const QString& text);
    void show(const QString& text, QPointF point);
    // Hides the tip only when it belongs to `text`.
    void hide(const QString& text);
    // Cancels a pending show and hides any tip.
    void hideAll();

signals:
    void textChanged();
    void pointChanged();
    void visibleChanged();

private:
    void setVisible(bool visible);

    ViewServices m_services;
    QString m_text;
    QPointF m_point;
    bool m_visible = false;
    platform::WorkItemRef m_pending;
    Transition m_fade;
};

// Where the bubble goes in an area of `area` for a pointer at `pointer`.
struct TipPlacement {
    // The widest the bubble may be: min(W − 16, 320).
    qreal maxWidth = 0;
    // The bubble's top-left corner in the area.
    QPointF origin;
    // The bubble: the text on one line when it fits in maxWidth, else wrapped in maxWidth − 20.
    QSizeF bubble;
    bool wraps = false;

    static TipPlacement place(QSizeF area, QPointF pointer, const QString& text);
};

// Draws a tip state's bubble above everything in its scene. Put it at the scene origin and give it
// the size of the hosting root; it takes no pointer events, and a click anywhere in the scene
// hides the tip.
class HoverTipLayer final : public QGraphicsObject {
    Q_OBJECT

public:
    static constexpr qreal kZ = 1e6;

    explicit HoverTipLayer(HoverTipState& state, QGraphicsItem* parent = nullptr);

    void setSize(QSizeF size);
    QSizeF size() const { return m_size; }

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    // The bubble's rectangle in the layer now; none while hidden.
    std::optional<QRectF> bubbleRect() const;

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();

    HoverTipState& m_state;
    QSizeF m_size;
    QPointer<QGraphicsScene> m_watched;
    platform::RepeatingTimerRef m_fadeTimer;
};

} // namespace tilewick
