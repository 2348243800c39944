#include "VeldorPellrathMark.h"

#include <QPainter>

#include <algorithm>

namespace betakit {

namespace {

// The monogram in design units: the V's left arm, its right arm with the P's bowl, the bowl's
// counter, and the spark.
constexpr QStringView kOutline = u"M125.4 247.88 L295.4 247.88 L428.9 611.9 L343.9 843.6 Z\n"
                                 u"M590.4 247.88 L930 247.88\n"
                                 u"C1040 247.88 1128.6 330 1128.6 455\n"
                                 u"C1128.6 580 1040 662 930 662\n"
                                 u"L608.5 662 L482.3 1006.13 L312.3 1006.13 Z\n"
                                 u"M709 388 L915 388 Q990 388 990 455 Q990 522 915 522 L660 522 Z\n"
                                 u"M442.9 270 Q452 331 512.9 340 Q452 349 442.9 410\n"
                                 u"Q433.8 349 372.9 340 Q433.8 331 442.9 270 Z\n";

// The gradient runs along the design-space diagonal from (186.6, 186.6) to (1067.4, 1067.4),
// given in unit points of the outline's bounding box.
const QPointF kGradientStart((186.6 - MonogramShape::kMinX) / MonogramShape::kWidth,
                             (186.6 - MonogramShape::kMinY) / MonogramShape::kHeight);
const QPointF kGradientEnd((1067.4 - MonogramShape::kMinX) / MonogramShape::kWidth,
                           (1067.4 - MonogramShape::kMinY) / MonogramShape::kHeight);

void apply(QPainterPath& path, QChar command, const QList<double>& n) {
    switch (command.unicode()) {
    case 'M':
        if (n.size() < 2)
            return;
        path.moveTo(n[0], n[1]);
        for (qsizetype i = 2; i + 1 < n.size(); i += 2)
            path.lineTo(n[i], n[i + 1]);
        return;
    case 'L':
        for (qsizetype i = 0; i + 1 < n.size(); i += 2)
            path.lineTo(n[i], n[i + 1]);
        return;
    case 'Q':
        for (qsizetype i = 0; i + 3 < n.size(); i += 4)
            path.quadTo(n[i], n[i + 1], n[i + 2], n[i + 3]);
        return;
    case 'C':
        for (qsizetype i = 0; i + 5 < n.size(); i += 6)
            path.cubicTo(n[i], n[i + 1], n[i + 2], n[i + 3], n[i + 4], n[i + 5]);
        return;
    case 'Z':
        path.closeSubpath();
        return;
    default:
        return;
    }
}

} // namespace

QPainterPath MonogramShape::parseOutline(QStringView text) {
    QPainterPath path;
    QChar command = u'M';
    QList<double> numbers;
    QString pending;
    auto endNumber = [&] {
        if (pending.isEmpty())
            return;
        bool ok = false;
        const double value = pending.toDouble(&ok);
        numbers.append(ok ? value : 0);
        pending.clear();
    };
    for (const QChar c : text) {
        if (c.isLetter()) {
            endNumber();
            apply(path, command, numbers);
            numbers.clear();
            command = c;
        } else if (c.isSpace() || c == u',') {
            endNumber();
        } else if (c == u'-') {
            endNumber();
            pending = c;
        } else {
            pending.append(c);
        }
    }
    endNumber();
    apply(path, command, numbers);
    return path;
}

const QPainterPath& MonogramShape::outline() {
    static const QPainterPath parsed = [] {
        QPainterPath path = parseOutline(kOutline);
        path.setFillRule(Qt::OddEvenFill);
        return path;
    }();
    return parsed;
}

QPainterPath MonogramShape::path(const QRectF& rect) {
    const double s = std::min(rect.width() / kWidth, rect.height() / kHeight);
    const double tx = rect.center().x() - s * kCentreX;
    const double ty = rect.center().y() - s * kCentreY;
    return QTransform(s, 0, 0, s, tx, ty).map(outline());
}

VeldorPellrathMark::VeldorPellrathMark(SchemeSource scheme, QWidget* parent)
    : QWidget(parent), m_scheme(std::move(scheme)) {
    setAccessibleName(QStringLiteral("Veldor Pellrath"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

QGradientStops VeldorPellrathMark::gradientStops(platform::Appearance::Scheme scheme) {
    if (scheme == platform::Appearance::Scheme::Dark)
        return {
            {0, QColor(0x8B, 0x5C, 0xF6)}, {0.45, QColor(0xA3, 0x5B, 0xF4)}, {1, QColor(0xD9, 0x46, 0xEF)}};
    return {{0, QColor(0x6D, 0x3B, 0xEE)}, {0.45, QColor(0x8A, 0x33, 0xE6)}, {1, QColor(0xC0, 0x26, 0xD5)}};
}

QLinearGradient VeldorPellrathMark::gradient(const QRectF& rect, platform::Appearance::Scheme scheme) {
    // The outline's bounding box as fitted into `rect`.
    const double s = std::min(rect.width() / MonogramShape::kWidth, rect.height() / MonogramShape::kHeight);
    const QSizeF box(MonogramShape::kWidth * s, MonogramShape::kHeight * s);
    const QPointF origin = rect.center() - QPointF(box.width() / 2, box.height() / 2);
    auto at = [&](QPointF unit) { return origin + QPointF(unit.x() * box.width(), unit.y() * box.height()); };
    QLinearGradient gradient(at(kGradientStart), at(kGradientEnd));
    gradient.setStops(gradientStops(scheme));
    return gradient;
}

void VeldorPellrathMark::paint(QPainter& painter, const QRectF& rect, platform::Appearance::Scheme scheme) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(MonogramShape::path(rect), gradient(rect, scheme));
    painter.restore();
}

void VeldorPellrathMark::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, QRectF(rect()), schemeOf(m_scheme));
}

} // namespace betakit
