#pragma once

#include "ButtonLabel.h"

#include "platform/Appearance.h"

#include <QAbstractButton>
#include <QPainter>

#include <cmath>
#include <functional>
#include <variant>

namespace platform {

// A push button drawn in one of a family of button styles. A style gives its size for a label
// (`sizeFor`), the shape that takes clicks (`hitArea`) and its drawing (`paint` with the
// bounds, the label, pressed and enabled, and the scheme); `scheme` says which scheme to draw
// with now (light when empty).
template <typename... Styles> class StyledButton : public QAbstractButton {
public:
    using Style = std::variant<Styles...>;
    using SchemeSource = std::function<Appearance::Scheme()>;

    StyledButton(Style style, ButtonLabel label, SchemeSource scheme, QWidget* parent = nullptr)
        : QAbstractButton(parent), m_style(style), m_label(std::move(label)), m_scheme(std::move(scheme)) {
        setText(m_label.text);
        setCursor(Qt::PointingHandCursor);
        setAttribute(Qt::WA_Hover);
    }

    const Style& buttonStyle() const { return m_style; }
    const ButtonLabel& label() const { return m_label; }
    void setLabel(ButtonLabel label) {
        m_label = std::move(label);
        setText(m_label.text);
        updateGeometry();
        update();
    }
    Appearance::Scheme scheme() const { return m_scheme ? m_scheme() : Appearance::Scheme::Light; }

    QSize sizeHint() const override {
        const QSizeF size = std::visit([&](const auto& style) { return style.sizeFor(m_label); }, m_style);
        return {int(std::ceil(size.width())), int(std::ceil(size.height()))};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const ButtonState state{isEnabled(), isDown()};
        const Appearance::Scheme now = scheme();
        std::visit([&](const auto& style) { style.paint(painter, QRectF(rect()), m_label, state, now); },
                   m_style);
    }
    bool hitButton(const QPoint& pos) const override {
        return std::visit(
            [&](const auto& style) { return style.hitArea(QRectF(rect())).contains(QPointF(pos)); }, m_style);
    }

private:
    Style m_style;
    ButtonLabel m_label;
    SchemeSource m_scheme;
};

} // namespace platform
