#include "HoverTips.h"

#include "InterFont.h"
#include "RoundedRect.h"
#include "Shadow.h"
#include "Theme.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QPainter>

#include <algorithm>

namespace tilewick {

namespace {

constexpr qreal kMarginX = 10;
constexpr qreal kMarginY = 7;
constexpr qreal kRadius = 8;
constexpr double kFadeFrame = 1.0 / 60;

const QFont& tipFont() {
    return interFont(12.5, 450);
}

} // namespace

HoverTipState::HoverTipState(ViewServices services) : m_services(std::move(services)) {}

HoverTipState::~HoverTipState() {
    if (m_pending)
        m_pending->cancel();
}

void HoverTipState::track(std::optional<QPointF> location, const QString& text) {
    if (text.isEmpty())
        return;
    if (location)
        show(text, *location);
    else
        hide(text);
}

void HoverTipState::setVisible(bool visible) {
    const double now = m_services.now();
    if (visible)
        m_fade.retarget(1, now, kShowFade, Transition::Curve::easeIn);
    else
        m_fade.retarget(0, now, kHideFade, Transition::Curve::easeOut);
    if (m_visible == visible)
        return;
    m_visible = visible;
    emit visibleChanged();
}

void HoverTipState::show(const QString& text, QPointF point) {
    if (m_pending)
        m_pending->cancel();
    if (m_visible)
        setVisible(false);
    if (m_text != text) {
        m_text = text;
        emit textChanged();
    }
    if (m_point != point) {
        m_point = point;
        emit pointChanged();
    }
    QPointer<HoverTipState> self(this);
    m_pending = m_services.runtime().after(kShowDelay, [self, text] {
        if (self && self->m_text == text)
            self->setVisible(true);
    });
}

void HoverTipState::hide(const QString& text) {
    if (text != m_text)
        return;
    if (m_pending) {
        m_pending->cancel();
        m_pending.reset();
    }
    setVisible(false);
}

void HoverTipState::hideAll() {
    if (m_pending) {
        m_pending->cancel();
        m_pending.reset();
    }
    if (m_visible)
        setVisible(false);
}

TipPlacement TipPlacement::place(QSizeF area, QPointF pointer, const QString& text) {
    const qreal w = area.width(), h = area.height();
    TipPlacement placement;
    placement.maxWidth = std::max<qreal>(std::min<qreal>(w - 16, 320), 0);
    const qreal x =
        std::min(std::max<qreal>(pointer.x() + 12, 8), std::max<qreal>(w - placement.maxWidth - 28, 8));
    const qreal below = pointer.y() + 22;
    const qreal y = h - 60 < below ? pointer.y() - 44 : below;
    placement.origin = {x, y};

    const QFontMetricsF metrics(tipFont());
    const qreal lineWidth = metrics.horizontalAdvance(text);
    if (lineWidth + 2 * kMarginX <= placement.maxWidth) {
        placement.bubble = {lineWidth + 2 * kMarginX, metrics.height() + 2 * kMarginY};
    } else {
        placement.wraps = true;
        const qreal textWidth = std::max<qreal>(placement.maxWidth - 2 * kMarginX, 1);
        const QRectF wrapped = metrics.boundingRect(QRectF(0, 0, textWidth, 1e6), Qt::TextWordWrap, text);
        placement.bubble = {placement.maxWidth, wrapped.height() + 2 * kMarginY};
    }
    return placement;
}

HoverTipLayer::HoverTipLayer(HoverTipState& state, QGraphicsItem* parent)
    : QGraphicsObject(parent), m_state(state) {
    setZValue(kZ);
    setAcceptedMouseButtons(Qt::NoButton);
    setAcceptHoverEvents(false);
    connect(&m_state, &HoverTipState::visibleChanged, this, &HoverTipLayer::refresh);
    connect(&m_state, &HoverTipState::textChanged, this, &HoverTipLayer::refresh);
    connect(&m_state, &HoverTipState::pointChanged, this, &HoverTipLayer::refresh);
}

void HoverTipLayer::setSize(QSizeF size) {
    if (size == m_size)
        return;
    prepareGeometryChange();
    m_size = size;
}

QRectF HoverTipLayer::boundingRect() const {
    // The bubble may stand a little outside the area near its edges; its shadow too.
    return QRectF(QPointF(), m_size).adjusted(-64, -64, 64, 64);
}

std::optional<QRectF> HoverTipLayer::bubbleRect() const {
    if (m_state.opacityAt(m_state.services().now()) <= 0 || m_state.text().isEmpty())
        return std::nullopt;
    const TipPlacement placement = TipPlacement::place(m_size, m_state.point(), m_state.text());
    return QRectF(placement.origin, placement.bubble);
}

void HoverTipLayer::refresh() {
    update();
    const ViewServices& services = m_state.services();
    if (m_state.isFading(services.now())) {
        if (!m_fadeTimer)
            m_fadeTimer = services.runtime().every(kFadeFrame, 0, [this] { refresh(); });
    } else if (m_fadeTimer) {
        m_fadeTimer->cancel();
        m_fadeTimer.reset();
    }
}

void HoverTipLayer::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    const ViewServices& services = m_state.services();
    const double opacity = m_state.opacityAt(services.now());
    const Scheme scheme = services.scheme();
    const auto rect = bubbleRect();
    if (!rect)
        return;
    const TipPlacement placement = TipPlacement::place(m_size, m_state.point(), m_state.text());
    const RoundedRect bubble{*rect, kRadius};
    painter->save();
    painter->setOpacity(painter->opacity() * opacity);
    painter->setRenderHint(QPainter::Antialiasing);
    Shadow{QColor(0, 0, 0, 41), 8, {0, 3}}.paint(*painter, bubble.path());
    bubble.fill(*painter, Theme::card.resolve(scheme));
    bubble.strokeInside(*painter, Theme::border.resolve(scheme), 1);
    painter->setFont(tipFont());
    painter->setPen(Theme::text.resolve(scheme));
    const QRectF textRect = rect->adjusted(kMarginX, kMarginY, -kMarginX, -kMarginY);
    int flags = Qt::AlignLeft | Qt::AlignVCenter;
    if (placement.wraps)
        flags |= Qt::TextWordWrap;
    painter->drawText(textRect, flags, m_state.text());
    painter->restore();
}

QVariant HoverTipLayer::itemChange(GraphicsItemChange change, const QVariant& value) {
    if (change == ItemSceneHasChanged) {
        if (m_watched)
            m_watched->removeEventFilter(this);
        m_watched = scene();
        if (m_watched)
            m_watched->installEventFilter(this);
    }
    return QGraphicsObject::itemChange(change, value);
}

bool HoverTipLayer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_watched && (event->type() == QEvent::GraphicsSceneMousePress ||
                                 event->type() == QEvent::GraphicsSceneMouseDoubleClick))
        m_state.hideAll();
    return false;
}

} // namespace tilewick
