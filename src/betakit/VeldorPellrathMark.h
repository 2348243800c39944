#pragma once

#include "KitDesign.h"

#include <QGradientStops>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRectF>
#include <QStringView>
#include <QWidget>

class QPainter;

namespace betakit {

// The maker's monogram as one filled outline: a V whose right arm carries the bowl of a P, the
// P's counter, the V's left arm cut off short of the right one, and a small spark between the
// arms. It is kept in design units whose bounding box is the kit's constant below.
struct MonogramShape {
    static constexpr double kMinX = 125.4;
    static constexpr double kMinY = 247.88;
    static constexpr double kWidth = 1003.2;
    static constexpr double kHeight = 758.25;
    static constexpr double kCentreX = kMinX + kWidth / 2;  // 627.0
    static constexpr double kCentreY = kMinY + kHeight / 2; // 627.005

    // The outline in design units, read once per process from the kit's path data.
    static const QPainterPath& outline();
    // The outline scaled uniformly to fit `rect` and centred in it.
    static QPainterPath path(const QRectF& rect);
    // Reads absolute path commands (M, L, Q, C, Z; any other letter is skipped) with numbers
    // separated by blanks or commas; a minus sign starts a new number, an unreadable number
    // reads as 0, and numbers that do not make a whole point or curve are ignored.
    static QPainterPath parseOutline(QStringView text);
};

// The maker's mark: the monogram filled (even-odd) with a three-stop gradient of the scheme,
// along the design-space diagonal from (186.6, 186.6) to (1067.4, 1067.4). It has no size of
// its own and takes the largest rectangle of its aspect ratio that it is given, centred.
class VeldorPellrathMark final : public QWidget {
    Q_OBJECT

public:
    static constexpr double kAspectRatio = MonogramShape::kWidth / MonogramShape::kHeight;

    explicit VeldorPellrathMark(SchemeSource scheme = {}, QWidget* parent = nullptr);

    static QGradientStops gradientStops(platform::Appearance::Scheme scheme);
    // The gradient over the outline's bounding box once it is fitted to `rect`.
    static QLinearGradient gradient(const QRectF& rect, platform::Appearance::Scheme scheme);
    static void paint(QPainter& painter, const QRectF& rect, platform::Appearance::Scheme scheme);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SchemeSource m_scheme;
};

} // namespace betakit
