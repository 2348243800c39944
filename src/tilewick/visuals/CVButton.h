#pragma once

#include "CVPrimaryButtonStyle.h"
#include "CVSecondaryButtonStyle.h"
#include "ViewServices.h"

#include <QAbstractButton>

#include <variant>

namespace tilewick {

// A push button drawn in one of the program's two button styles.
class CVButton : public QAbstractButton {
    Q_OBJECT
public:
    using Style = std::variant<CVPrimaryButtonStyle, CVSecondaryButtonStyle>;

    CVButton(Style style, ButtonLabel label, ViewServices services, QWidget* parent = nullptr);

    const Style& buttonStyle() const { return m_style; }
    const ButtonLabel& label() const { return m_label; }
    void setLabel(ButtonLabel label);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    Style m_style;
    ButtonLabel m_label;
    ViewServices m_services;
};

} // namespace tilewick
