#pragma once

#include "KitDesign.h"

#include "platform/drawing/ButtonLabel.h"
#include "platform/drawing/StyledButton.h"

#include <QPainterPath>

class QPainter;

namespace betakit {

using platform::ButtonLabel;
using platform::ButtonState;

// The kit's call to action: a white label on the accent gradient.
struct BKPrimaryButtonStyle {
    static constexpr qreal kCornerRadius = 8;
    static constexpr qreal kHorizontalPadding = 16;
    static constexpr qreal kMinimumHeight = 32;

    // Disabled 0.45 whether pressed or not; enabled 0.85 while pressed, else 1.
    static qreal opacity(ButtonState state);

    QSizeF sizeFor(const ButtonLabel& label) const;
    QPainterPath hitArea(const QRectF& bounds) const;
    void paint(QPainter& painter, const QRectF& bounds, const ButtonLabel& label, ButtonState state,
               Scheme scheme) const;
};

// The kit's quieter button: the label in the text colour on the surface with a line inside its
// edge; pressing changes only the fill.
struct BKSecondaryButtonStyle {
    bool compact = false;

    static constexpr qreal kCornerRadius = 8;

    qreal horizontalPadding() const { return compact ? 10 : 16; }
    qreal minimumHeight() const { return compact ? 28 : 32; }
    static qreal opacity(ButtonState state) { return state.enabled ? 1.0 : 0.45; }

    QSizeF sizeFor(const ButtonLabel& label) const;
    QPainterPath hitArea(const QRectF& bounds) const;
    void paint(QPainter& painter, const QRectF& bounds, const ButtonLabel& label, ButtonState state,
               Scheme scheme) const;
};

// The kit's label font: Inter 13 at 432.
QFont bkButtonFont();

// A push button in one of the kit's two styles, drawn in the scheme its source gives.
class BKButton : public platform::StyledButton<BKPrimaryButtonStyle, BKSecondaryButtonStyle> {
    Q_OBJECT

public:
    BKButton(Style style, ButtonLabel label, SchemeSource scheme, QWidget* parent = nullptr);
};

} // namespace betakit
