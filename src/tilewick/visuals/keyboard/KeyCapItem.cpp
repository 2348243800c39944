#include "KeyCapItem.h"

#include "KeyGlyph.h"
#include "KeyPulse.h"
#include "MiniHotkey.h"

#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/Blink.h"
#include "tilewick/visuals/HoverTips.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/KeySymbol.h"
#include "tilewick/visuals/Layer.h"
#include "tilewick/visuals/RoundedRect.h"
#include "tilewick/visuals/ViewServices.h"

#include <QFontMetricsF>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>

#include <algorithm>

namespace tilewick {

namespace {

constexpr qreal kLiftScale = 1.05;
constexpr qreal kCornerRatio = 0.13;

// Room around the face for the glow, the shadows and the lifted outline.
qreal overhang(qreal u) {
    return std::max<qreal>(std::max(0.09 * u, 3.0) * 3 + 4, 18);
}

} // namespace

// The plain outline of the pulse, in front of the face; the only part a pulse frame repaints.
class KeyCapItem::PulseOutline final : public QGraphicsItem {
public:
    explicit PulseOutline(KeyCapItem& cap) : QGraphicsItem(&cap), m_cap(cap) {
        setAcceptedMouseButtons(Qt::NoButton);
        setAcceptHoverEvents(false);
    }

    void changeGeometry() {
        prepareGeometryChange();
        m_picture = QImage();
    }
    QRectF boundingRect() const override { return QRectF(QPointF(), m_cap.m_size).adjusted(-2, -2, 2, 2); }

    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override {
        const auto& look = m_cap.m_look;
        if (!look.pulseIndex)
            return;
        // The outline is drawn once for the key's shape, scheme and scale, and each frame blends
        // it at the frame's opacity.
        const bool dark = look.scheme == Scheme::Dark;
        const qreal scale = deviceScale(*painter);
        if (m_picture.isNull() || m_pictureDark != dark || m_picture.devicePixelRatio() != scale) {
            m_picture = KeyPulse::plainPicture(m_cap.m_shape, dark, scale);
            m_pictureDark = dark;
        }
        const KeyCapContext& keyboard = m_cap.m_keyboard;
        double phase = KeyPulse::kStillPhase;
        if (keyboard.animates()) {
            std::optional<double> held;
            if (look.pressedAt)
                held = keyboard.services().uptime() - *look.pressedAt;
            phase = KeyPulse::phase(held, keyboard.animationTime(), *look.pulseIndex);
        }
        KeyPulse::paintPlain(*painter, m_cap.m_shape.boundingRect(), m_picture, phase);
    }

private:
    KeyCapItem& m_cap;
    QImage m_picture;
    bool m_pictureDark = false;
};

KeyCapItem::KeyCapItem(KeyCapContext& keyboard, QGraphicsItem* parent)
    : QGraphicsObject(parent), m_keyboard(keyboard), m_lift(HoverLift::Options{}, keyboard.services().now()) {
    setCacheMode(DeviceCoordinateCache);
    m_pulse = new PulseOutline(*this);
}

void KeyCapItem::setCap(const KeyCap& cap, QSizeF size, const KeyCap::Look& look) {
    const bool geometry = size != m_size || cap.u != m_cap.u || cap.returnShape != m_cap.returnShape;
    const bool changed = geometry || !(look == m_look) || !(cap.key == m_cap.key) ||
                         cap.binding != m_cap.binding || cap.current != m_cap.current ||
                         cap.flashing != m_cap.flashing;
    if (geometry) {
        prepareGeometryChange();
        m_pulse->changeGeometry();
    }
    m_cap = cap;
    m_size = size;
    m_look = look;
    if (geometry) {
        m_shape = m_cap.shape(size);
        setTransformOriginPoint(QRectF(QPointF(), size).center());
    }
    applyInteraction();
    if (changed) {
        update();
        m_pulse->update();
    }
}

void KeyCapItem::updatePulse() {
    m_pulse->update();
}

void KeyCapItem::applyInteraction() {
    const bool interactive = m_look.variant != KeyCap::Variant::guide;
    setAcceptHoverEvents(interactive);
    setAcceptedMouseButtons(interactive ? Qt::LeftButton : Qt::NoButton);
    m_lift.setOptions({kCornerRatio * m_cap.u, kLiftScale, m_look.liftEnabled, m_look.pencil, false},
                      m_keyboard.services().now());
    if (interactive)
        HoverPointer::apply(*this, m_look.pencil, m_look.liftEnabled);
    else
        unsetCursor();
    advance(m_keyboard.services().now());
}

bool KeyCapItem::advance(double now) {
    const bool reduce = m_keyboard.services().reduceMotion();
    const qreal scale = m_lift.scaleAt(now, reduce);
    if (scale != this->scale())
        setScale(scale);
    setZValue(m_lift.lit() ? 1 : 0);
    const bool blinkOn = EditBlink{m_look.editing}.opacityAt(now) >= 1.0;
    if (blinkOn != m_blinkOn) {
        m_blinkOn = blinkOn;
        update();
    }
    if (m_lift.isAnimating(now, reduce))
        update();
    return m_lift.isAnimating(now, reduce) || m_look.editing;
}

void KeyCapItem::press() {
    switch (m_look.variant) {
    case KeyCap::Variant::guide:
        return;
    case KeyCap::Variant::picking:
        if (m_cap.binding && m_keyboard.environment().assignAppSnapKey)
            m_keyboard.environment().assignAppSnapKey(m_cap.binding->action);
        return;
    case KeyCap::Variant::normal:
        if (m_cap.binding)
            m_keyboard.store().tapKey(m_cap.key.code, m_cap.binding->action);
        return;
    }
}

void KeyCapItem::tap() {
    switch (m_look.variant) {
    case KeyCap::Variant::guide:
        return;
    case KeyCap::Variant::picking:
        m_cap.pickingTap(m_keyboard.store(), m_keyboard.environment());
        return;
    case KeyCap::Variant::normal:
        m_keyboard.store().tapKey(m_cap.key.code, m_cap.action());
        return;
    }
}

void KeyCapItem::setHovered(bool hovered, QPointF scenePos) {
    if (m_look.variant == KeyCap::Variant::guide)
        return;
    m_lift.setHovering(hovered, m_keyboard.services().now());
    // The tip's text is taken before the hover handler changes what the key shows.
    const QString tip = m_look.tip;
    if (m_look.variant == KeyCap::Variant::normal)
        m_keyboard.store().hoverKey(m_cap.key.code, m_cap.action(), hovered);
    m_keyboard.tipState().track(
        hovered ? std::optional<QPointF>(m_keyboard.tipPoint(scenePos)) : std::nullopt, tip);
    advance(m_keyboard.services().now());
    update();
    m_keyboard.tick();
}

QRectF KeyCapItem::boundingRect() const {
    const qreal margin = overhang(m_cap.u);
    return QRectF(QPointF(), m_size).adjusted(-margin, -margin, margin, margin);
}

QPainterPath KeyCapItem::shape() const {
    return m_shape;
}

void KeyCapItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    // The scheme of the look, so that the cached face and its colours always agree.
    const Scheme scheme = m_look.scheme;
    const bool dark = scheme == Scheme::Dark;
    const qreal u = m_cap.u;
    const QRectF frame(QPointF(), m_size);
    if (frame.isEmpty())
        return;
    const double now = m_keyboard.services().now();
    QPainter& p = *painter;
    p.setRenderHint(QPainter::Antialiasing);

    // Behind the face.
    if (dark) {
        QColor glow;
        glow.setRgbF(0.545f, 0.361f, 0.965f, 0.38f);
        Shadow{glow, std::max(0.06 * u, 2.0), {0, 0.012 * u}}.paint(p, m_shape);
    }
    if (m_look.pulseIndex)
        KeyPulse::paint(p, m_shape, KeyPulse::kStillGlowPhase, dark, true, u);
    OptionalShadow{!dark, QColor(0, 0, 0, 10), 1, 1}.paint(p, m_shape);
    m_lift.shadow(scheme).paint(p, m_shape);

    // The face: fill, outline inside its edge, content.
    QColor fill = m_look.fill;
    fill.setAlphaF(float(fill.alphaF() * m_look.faceOpacity));
    p.fillPath(m_shape, fill);
    const qreal width = m_look.outlineWidth;
    QBrush outline;
    switch (m_look.outlineStyle) {
    case KeyCap::OutlineStyle::tint:
        outline = m_look.tint;
        break;
    case KeyCap::OutlineStyle::accentGradient:
        outline = Theme::accentDiagonal(frame, Scheme::Dark);
        break;
    case KeyCap::OutlineStyle::accent:
        outline = Theme::accent.resolve(scheme);
        break;
    }
    const QPainterPath inner =
        m_cap.returnShape ? ReturnKeyShape{m_cap.returnShape->bottomWidth, m_cap.returnShape->topHeight,
                                           m_cap.returnShape->radius, 0, width / 2}
                                .path(frame)
                          : RoundedRect{frame, kCornerRatio * u}.inset(width / 2).path();
    p.strokePath(inner, QPen(outline, width));

    const qreal leading = m_cap.returnShape ? m_cap.returnShape->leadingInset : 0;
    const QRectF content = frame.adjusted(leading, 0, 0, 0);
    p.save();
    p.setOpacity(p.opacity() * EditBlink{m_look.editing}.opacityAt(now));
    paintContent(p, content);
    p.restore();

    m_lift.paintOutline(p, frame, now, m_keyboard.services().reduceMotion(), scheme);
}

void KeyCapItem::paintContent(QPainter& p, const QRectF& area) const {
    const Scheme scheme = m_look.scheme;
    const qreal u = m_cap.u;
    switch (m_look.content) {
    case KeyCap::Content::mutedHotkey: {
        MiniHotkey{m_cap.binding->hotkey, (m_cap.isShort ? 0.15 : 0.205) * u, m_look.textColor}.paint(p,
                                                                                                      area);
        return;
    }
    case KeyCap::Content::glyphAndHotkey: {
        const QSizeF glyphSize = m_cap.isShort ? QSizeF(0.24 * u, 0.22 * u) : QSizeF(0.62 * u, 0.36 * u);
        const KeyGlyph glyph =
            KeyGlyph::layout(m_cap.binding->action, glyphSize, m_look.glyphAllLit, m_look.glyphCanRedo);
        const MiniHotkey mini{m_cap.binding->hotkey, (m_cap.isShort ? 0.15 : 0.205) * u, m_look.textColor};
        const QSizeF miniSize = mini.naturalSize();
        QPointF glyphAt;
        QRectF miniFrame;
        if (m_cap.isShort) {
            const qreal spacing = 0.06 * u;
            const qreal total = glyphSize.width() + spacing + miniSize.width();
            const qreal left = area.center().x() - total / 2;
            glyphAt = {left, area.center().y() - glyphSize.height() / 2};
            miniFrame = QRectF(left + glyphSize.width() + spacing, area.center().y() - miniSize.height() / 2,
                               miniSize.width(), miniSize.height());
        } else {
            const qreal spacing = 0.07 * u;
            const qreal total = glyphSize.height() + spacing + miniSize.height();
            const qreal top = area.center().y() - total / 2;
            glyphAt = {area.center().x() - glyphSize.width() / 2, top};
            miniFrame =
                QRectF(area.left(), top + glyphSize.height() + spacing, area.width(), miniSize.height());
        }
        p.save();
        p.setOpacity(p.opacity() * m_look.glyphOpacity);
        glyph.paint(p, glyphAt, scheme);
        p.restore();
        mini.paint(p, miniFrame);
        return;
    }
    case KeyCap::Content::globe: {
        const KeySymbol globe{QStringLiteral("globe"), 0.2 * u, m_look.symbolWeight};
        QFont font = interFont(std::max(0.36 * 0.52 * u, 7.0), 720);
        font.setLetterSpacing(QFont::AbsoluteSpacing, 0.3);
        const QFontMetricsF metrics(font);
        const qreal spacing = 0.08 * u;
        const qreal total = globe.boxSize().height() + spacing + metrics.height();
        const qreal top = area.center().y() - total / 2;
        globe.paint(p, {area.center().x(), top + globe.boxSize().height() / 2}, m_look.globeColor);
        // One line, shrinking to half size when short of room.
        const QString word = QStringLiteral("MULTI");
        const qreal natural = metrics.horizontalAdvance(word);
        if (natural > area.width() && natural > 0) {
            const qreal scale = std::max(area.width() / natural, 0.5);
            font = interFont(std::max(0.36 * 0.52 * u, 7.0) * scale, 720);
            font.setLetterSpacing(QFont::AbsoluteSpacing, 0.3 * scale);
        }
        p.setFont(font);
        p.setPen(m_look.textColor);
        p.drawText(
            QRectF(area.left(), top + globe.boxSize().height() + spacing, area.width(), metrics.height()),
            Qt::AlignCenter | Qt::TextSingleLine, word);
        return;
    }
    case KeyCap::Content::symbol:
        KeySymbol{*m_cap.key.symbol, 0.2 * u, m_look.symbolWeight}.paint(p, area.center(), m_look.textColor);
        return;
    case KeyCap::Content::label: {
        if (m_cap.key.label.isEmpty() || m_look.labelSize <= 0)
            return;
        p.setFont(m_look.labelWeight == 600 ? interFont(m_look.labelSize, 600)
                                            : interFont(m_look.labelSize, 400));
        p.setPen(m_look.textColor);
        p.drawText(area, Qt::AlignCenter | Qt::TextSingleLine, m_cap.key.label);
        return;
    }
    }
}

void KeyCapItem::hoverEnterEvent(QGraphicsSceneHoverEvent* event) {
    setHovered(true, event->scenePos());
}

void KeyCapItem::hoverMoveEvent(QGraphicsSceneHoverEvent* event) {
    if (m_look.variant != KeyCap::Variant::guide)
        m_keyboard.tipState().track(m_keyboard.tipPoint(event->scenePos()), m_look.tip);
}

void KeyCapItem::hoverLeaveEvent(QGraphicsSceneHoverEvent*) {
    setHovered(false);
}

void KeyCapItem::mousePressEvent(QGraphicsSceneMouseEvent* event) {
    if (m_look.variant == KeyCap::Variant::guide || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
}

void KeyCapItem::mouseReleaseEvent(QGraphicsSceneMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_shape.contains(event->pos()))
        tap();
}

} // namespace tilewick
