#include "OverlayKeyboard.h"

#include "KeyboardGeometry.h"
#include "KeyboardView.h"

#include "tilewick/visuals/RoundedRect.h"
#include "tilewick/visuals/Theme.h"

#include <QPainter>

#include <algorithm>

namespace tilewick {

namespace {

constexpr double kKeyFaceOpacity = 0.94;
constexpr double kLightFillOpacity = 0.15;
constexpr double kDarkBorderOpacity = 0.18;
constexpr double kLightBorderOpacity = 0.08;

RoundedRect backingShape(QSizeF size) {
    return RoundedRect{QRectF(QPointF(), size), OverlayKeyboard::kCornerRadius, CornerStyle::Continuous};
}

} // namespace

// The hairline border goes over the keys, as an overlay of the whole view.
class OverlayKeyboard::Border final : public QGraphicsItem {
public:
    explicit Border(OverlayKeyboard& owner) : QGraphicsItem(&owner), m_owner(owner) {
        setZValue(1);
        setAcceptedMouseButtons(Qt::NoButton);
    }
    QRectF boundingRect() const override { return m_owner.boundingRect(); }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override {
        const bool dark = m_owner.m_services.scheme() == Scheme::Dark;
        const QColor color = dark ? QColor::fromRgbF(1, 1, 1, kDarkBorderOpacity)
                                  : QColor::fromRgbF(0, 0, 0, kLightBorderOpacity);
        painter->setRenderHint(QPainter::Antialiasing);
        backingShape(m_owner.size()).strokeInside(*painter, color, kBorderWidth);
    }

private:
    OverlayKeyboard& m_owner;
};

OverlayKeyboard::OverlayKeyboard(TilewickStore& store, ViewServices services, bool iso, qreal width,
                                 qreal pad, QGraphicsItem* parent)
    : QGraphicsObject(parent), m_services(std::move(services)), m_width(std::max<qreal>(width, 0)),
      m_pad(std::max<qreal>(pad, 0)), m_tips(m_services) {
    setAcceptedMouseButtons(Qt::NoButton);
    // The type asked at the show stays for the keyboard's life, which ends with the panel's.
    m_keyboard = new KeyboardView(
        store, m_services, m_tips, [iso] { return iso; }, kGap, environment(), this);
    m_keyboard->setWidth(m_width);
    m_keyboard->setPos(m_pad, m_pad);
    new Border(*this);
}

OverlayKeyboard::~OverlayKeyboard() {
    // The keys report to the tip state, which goes with this object's members.
    delete m_keyboard;
}

qreal OverlayKeyboard::keyboardHeight(qreal width) {
    return KeyboardMetrics::forWidth(width, kGap).naturalHeight();
}

QSizeF OverlayKeyboard::size(qreal width, qreal pad) {
    width = std::max<qreal>(width, 0);
    pad = std::max<qreal>(pad, 0);
    return {width + 2 * pad, keyboardHeight(width) + 2 * pad + kBottomExtra};
}

KeyboardEnvironment OverlayKeyboard::environment() {
    return {.brandedSpaceBar = true,
            .allHotkeysSelected = true,
            .keyFaceOpacity = kKeyFaceOpacity,
            .keysAreGuide = true};
}

QRectF OverlayKeyboard::boundingRect() const {
    return QRectF(QPointF(), size());
}

void OverlayKeyboard::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    // In the dark the panel's own backing shows through; in the light a faint fill sits under the keys.
    const Scheme scheme = m_services.scheme();
    if (scheme == Scheme::Dark)
        return;
    painter->setRenderHint(QPainter::Antialiasing);
    backingShape(size()).fill(*painter, Theme::background.resolve(scheme, kLightFillOpacity));
}

} // namespace tilewick
