#include "Blink.h"

#include "Motion.h"
#include "RoundedRect.h"
#include "Theme.h"

#include <QPainter>

#include <cmath>

namespace tilewick {

namespace BlinkClock {

qint64 tick(double t) {
    return qint64(std::floor(t / kInterval));
}

bool isOn(double t) {
    return tick(t) % 2 == 0;
}

double tickStart(double t) {
    return double(tick(t)) * kInterval;
}

} // namespace BlinkClock

qreal BlinkingCursor::opacityAt(double t) {
    const bool on = BlinkClock::isOn(t);
    const qreal target = on ? kOnOpacity : kOffOpacity;
    const qreal previous = on ? kOffOpacity : kOnOpacity;
    return previous + (target - previous) * Motion::easeInOut((t - BlinkClock::tickStart(t)) / kFade);
}

void BlinkingCursor::paint(QPainter& painter, QPointF bottomCentre, double t, Scheme scheme) const {
    const QRectF bar(bottomCentre.x() - width / 2, bottomCentre.y() - height, width, height);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(painter.opacity() * opacityAt(t));
    RoundedRect{bar, height / 2}.fill(painter, Theme::accent.resolve(scheme));
    painter.restore();
}

} // namespace tilewick
