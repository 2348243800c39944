#pragma once

#include "platform/Appearance.h"

#include <QColor>
#include <QFont>
#include <QLinearGradient>
#include <QRectF>

#include <functional>

namespace betakit {

using Scheme = platform::Appearance::Scheme;

// Where a view of the kit learns the scheme it draws with; an empty one draws light.
using SchemeSource = std::function<Scheme()>;

inline Scheme schemeOf(const SchemeSource& source) {
    return source ? source() : Scheme::Light;
}

// The beta kit's own small design vocabulary, independent of the host program's theme: a palette
// of light and dark pairs, one accent gradient and a font rule. Its windows (the feedback form,
// the report preview, the update window) and the pieces the host places (the feedback button,
// the maker's mark) draw with it.

// A colour with a dark and a light value, picked for the scheme it is drawn under; a fixed
// colour has the same value in both.
struct BKColor {
    QRgb dark;
    QRgb light;

    QColor resolve(Scheme scheme, qreal opacity = 1.0) const {
        QColor color = QColor::fromRgb(scheme == Scheme::Dark ? dark : light);
        color.setAlphaF(float(opacity));
        return color;
    }
};

inline constexpr BKColor bkBackground{0xFF0D0D12, 0xFFF7F7FB};
inline constexpr BKColor bkSurface{0xFF16161F, 0xFFFFFFFF};
inline constexpr BKColor bkField{0xFF1F1F2A, 0xFFFFFFFF};
inline constexpr BKColor bkLine{0xFF2A2A3A, 0xFFE4E4EE};
inline constexpr BKColor bkText{0xFFECECF4, 0xFF1C1C28};
inline constexpr BKColor bkMuted{0xFF9C9CB0, 0xFF63637A};
inline constexpr BKColor bkAccent{0xFF8B5CF6, 0xFF6D3BEE};
inline constexpr BKColor bkAccentSoft{0xFF221A38, 0xFFF1ECFE};
inline constexpr BKColor bkGood{0xFF53C78C, 0xFF53C78C};
inline constexpr BKColor bkBad{0xFFD85F72, 0xFFD85F72};

// #6D3BEE to #C026D5 from the unit point (0, 0.32) to (1, 0.68) of `bounds`, in both schemes.
QLinearGradient bkAccentGradient(const QRectF& bounds);

// Inter at `size` (points) and `weight` (a value of its "wght" axis): the static instance the
// host program registered for that weight ("Inter W<weight>"); until one is registered, the
// system font with the weight's bucket (from 600 semibold, from 500 medium, from 400 regular,
// else light). Built afresh at every call.
QFont bkFont(double size, int weight);

} // namespace betakit
