#include "PageItem.h"

#include "tilewick/visuals/HoverTips.h"
#include "tilewick/visuals/keyboard/KeyAccessibility.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QGraphicsScene>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QPainter>
#include <QPointer>

namespace tilewick {

namespace {

// Room around the element for its shadow and its lift.
constexpr qreal kOverhang = 24;

class PageItemAccessible final : public QAccessibleObject, public QAccessibleActionInterface {
public:
    explicit PageItemAccessible(PageItem* item) : QAccessibleObject(item) {}

    PageItem* item() const { return static_cast<PageItem*>(object()); }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return QAccessibleObject::interface_cast(type);
    }
    QAccessible::Role role() const override {
        return item()->actionName().isEmpty() ? QAccessible::StaticText : QAccessible::Button;
    }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.invisible = !item()->isVisible();
        return state;
    }
    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            return item()->accessibleName();
        case QAccessible::Value:
            return item()->accessibleValue();
        case QAccessible::Description:
            return item()->tipText();
        default:
            return {};
        }
    }
    QRect rect() const override { return screenRect(*item()); }
    QAccessibleInterface* parent() const override {
        const QGraphicsScene* scene = item()->scene();
        if (!scene || scene->views().isEmpty())
            return nullptr;
        return QAccessible::queryAccessibleInterface(scene->views().first()->viewport());
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QStringList actionNames() const override {
        const QString name = item()->actionName();
        return name.isEmpty() ? QStringList() : QStringList{name};
    }
    void doAction(const QString& name) override {
        if (!name.isEmpty() && name == item()->actionName())
            item()->activate();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

QAccessibleInterface* pageItemFactory(const QString&, QObject* object) {
    if (auto* item = qobject_cast<PageItem*>(object))
        return new PageItemAccessible(item);
    return nullptr;
}

} // namespace

PageItem::PageItem(const PageContext& context, QSizeF size, QGraphicsItem* parent)
    : QGraphicsObject(parent), m_context(context), m_size(size),
      m_lift(HoverLift::Options{}, context.services.now()) {
    static const bool accessible = [] {
        QAccessible::installFactory(pageItemFactory);
        return true;
    }();
    (void)accessible;
    setAcceptHoverEvents(true);
    setAcceptedMouseButtons(Qt::LeftButton);
    setFlag(ItemSendsScenePositionChanges);
    // Drawn again only when its look changes: a repaint of the page around it (a pulse of the
    // keyboard, another card's lift) copies it.
    setCacheMode(DeviceCoordinateCache);
    setTransformOriginPoint(QRectF(QPointF(), size).center());
    // The cache holds the colours of the scheme it was drawn in.
    context.services.whenSchemeChanges(this, [this] { update(); });
}

PageItem::~PageItem() {
    if (m_frames)
        m_frames->cancel();
}

QRectF PageItem::rootFrame() const {
    // The frame as laid out: the lift's scale does not move it.
    const QRectF laidOut(pos(), m_size);
    const QRectF inScene = parentItem() ? parentItem()->mapRectToScene(laidOut) : laidOut;
    const QPointF topLeft = m_context.host.rootPoint(inScene.topLeft());
    const QPointF bottomRight = m_context.host.rootPoint(inScene.bottomRight());
    return QRectF(topLeft, bottomRight).normalized();
}

void PageItem::refresh() {
    // A tip that no longer says what the element means (a recording ended) goes at once.
    if (!m_tipShown.isEmpty() && m_tipShown != tipText()) {
        m_context.tips.hide(m_tipShown);
        m_tipShown.clear();
    }
    const double now = m_context.services.now();
    const HoverLift::Options options = liftOptions();
    m_lift.setOptions(options, now);
    HoverPointer::apply(*this, options.pencil, options.enabled);
    advance(now);
    update();
    scheduleFrames();
}

void PageItem::setHovered(bool hovered, QPointF scenePos) {
    m_lift.setHovering(hovered, m_context.services.now());
    if (hovered)
        trackTip(scenePos);
    else
        hideTip();
    refresh();
}

bool PageItem::advance(double now) {
    const bool reduce = m_context.services.reduceMotion();
    const qreal scale = m_lift.scaleAt(now, reduce);
    if (scale != this->scale())
        setScale(scale);
    setZValue(m_lift.lit() ? 1 : 0);
    const bool moving = m_lift.isAnimating(now, reduce) || animatesContent();
    if (moving)
        update();
    return moving;
}

void PageItem::scheduleFrames() {
    const bool moving =
        m_lift.isAnimating(m_context.services.now(), m_context.services.reduceMotion()) || animatesContent();
    if (moving && !m_frames) {
        QPointer<PageItem> self(this);
        m_frames = m_context.services.runtime().every(kFrame, 0, [self] {
            if (self && !self->advance(self->m_context.services.now()))
                self->scheduleFrames();
        });
    } else if (!moving && m_frames) {
        m_frames->cancel();
        m_frames.reset();
    }
}

QRectF PageItem::boundingRect() const {
    return QRectF(QPointF(), m_size).adjusted(-kOverhang, -kOverhang, kOverhang, kOverhang);
}

QPainterPath PageItem::shape() const {
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(), m_size), m_lift.options().radius, m_lift.options().radius);
    return path;
}

void PageItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    const Scheme scheme = m_context.services.scheme();
    const double now = m_context.services.now();
    const QRectF rect(QPointF(), m_size);
    painter->setRenderHint(QPainter::Antialiasing);
    m_lift.shadow(scheme).paint(*painter, shape());
    paintContent(*painter, rect, scheme, now);
    m_lift.paintOutline(*painter, rect, now, m_context.services.reduceMotion(), scheme);
}

QVariant PageItem::itemChange(GraphicsItemChange change, const QVariant& value) {
    if (change == ItemScenePositionHasChanged || change == ItemSceneHasChanged)
        frameChanged();
    return QGraphicsObject::itemChange(change, value);
}

void PageItem::hoverEnterEvent(QGraphicsSceneHoverEvent* event) {
    setHovered(true, event->scenePos());
}

void PageItem::hoverMoveEvent(QGraphicsSceneHoverEvent* event) {
    trackTip(event->scenePos());
}

void PageItem::trackTip(QPointF scenePos) {
    m_tipShown = tipText();
    m_context.tips.track(m_context.host.rootPoint(scenePos), m_tipShown);
}

void PageItem::hideTip() {
    // The tip the pointer brought up, whatever the element says now.
    m_context.tips.track(std::nullopt, m_tipShown.isEmpty() ? tipText() : m_tipShown);
    m_tipShown.clear();
}

void PageItem::hoverLeaveEvent(QGraphicsSceneHoverEvent*) {
    setHovered(false);
}

void PageItem::mousePressEvent(QGraphicsSceneMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
}

void PageItem::mouseReleaseEvent(QGraphicsSceneMouseEvent* event) {
    if (event->button() == Qt::LeftButton && shape().contains(event->pos()))
        activate();
}

} // namespace tilewick
