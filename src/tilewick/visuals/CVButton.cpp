#include "CVButton.h"

#include <QPainter>

#include <cmath>

namespace tilewick {

CVButton::CVButton(Style style, ButtonLabel label, ViewServices services, QWidget* parent)
    : QAbstractButton(parent), m_style(style), m_label(std::move(label)), m_services(std::move(services)) {
    setText(m_label.text);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

void CVButton::setLabel(ButtonLabel label) {
    m_label = std::move(label);
    setText(m_label.text);
    updateGeometry();
    update();
}

QSize CVButton::sizeHint() const {
    const QSizeF size = std::visit([&](const auto& style) { return style.sizeFor(m_label); }, m_style);
    return {int(std::ceil(size.width())), int(std::ceil(size.height()))};
}

void CVButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const ButtonState state{isEnabled(), isDown()};
    const Scheme scheme = m_services.scheme();
    std::visit([&](const auto& style) { style.paint(painter, QRectF(rect()), m_label, state, scheme); },
               m_style);
}

bool CVButton::hitButton(const QPoint& pos) const {
    return std::visit([&](const auto& style) { return style.hitArea(QRectF(rect())).contains(QPointF(pos)); },
                      m_style);
}

} // namespace tilewick
