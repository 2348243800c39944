#include "HotkeyView.h"

#include "tilewick/visuals/Blink.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/KeySymbol.h"
#include "tilewick/visuals/RoundedRect.h"
#include "tilewick/visuals/Shadow.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace tilewick {

namespace {

const QFont& plusFont(qreal unit) {
    return interFont(12 * unit, 500);
}

const QFont& labelFont(qreal unit) {
    return interFont(13.5 * unit, 400);
}

// The key: `Hotkey::parts` always ends with it.
Hotkey::Part keyPart(const Hotkey& hotkey) {
    const QList<Hotkey::Part> parts = hotkey.parts();
    return parts.isEmpty() ? Hotkey::Part::text(hotkey.label) : parts.last();
}

QList<Hotkey::Part> modifierParts(const Hotkey& hotkey) {
    QList<Hotkey::Part> parts = hotkey.parts();
    if (!parts.isEmpty())
        parts.removeLast();
    return parts;
}

} // namespace

HotkeyView::Metrics HotkeyView::metrics() const {
    Metrics m;
    const qreal s = unit();
    m.unit = s;
    m.symbolSize = 12.5 * s;
    m.groupSpacing = 2 * s;
    m.plusSize = 12 * s;
    m.plusPadding = 3 * s;
    m.plusWidth = QFontMetricsF(plusFont(s)).horizontalAdvance(QStringLiteral("+"));
    const qsizetype symbols = modifierParts(hotkey).size();
    m.groupWidth = qreal(symbols) * (m.symbolSize + m.groupSpacing) + m.plusPadding + m.plusWidth;
    m.spacing = 5 * s;
    if (editing) {
        m.faceWidth = 13.5 * s;
    } else if (const Hotkey::Part key = keyPart(hotkey); key.kind == Hotkey::Part::Kind::symbol) {
        m.faceWidth = KeySymbol{key.value, 12.5 * s}.boxSize().width();
    } else {
        m.faceWidth = QFontMetricsF(labelFont(s)).horizontalAdvance(key.value);
    }
    m.cap = QSizeF(std::max(m.faceWidth, 14 * s) + 12 * s, 24 * s);
    m.capRadius = 5 * s;
    m.size = QSizeF(m.groupWidth + m.spacing + m.cap.width(), m.cap.height());
    return m;
}

QString HotkeyView::spoken(const Hotkey& hotkey) {
    QStringList words;
    for (const Hotkey::Part& part : hotkey.parts()) {
        if (part.kind == Hotkey::Part::Kind::text) {
            words << part.value;
            continue;
        }
        QString name = part.value;
        name.remove(QStringLiteral("arrowtriangle."));
        name.replace(QStringLiteral(".fill"), QStringLiteral(" arrow"));
        name.replace(u'.', u' ');
        words << name;
    }
    return words.join(u' ');
}

QString HotkeyView::accessibleLabel() const {
    return editing ? QStringLiteral("Waiting for a new key") : spoken(hotkey);
}

void HotkeyView::paint(QPainter& painter, QPointF origin, Scheme scheme, double now) const {
    const Metrics m = metrics();
    const qreal s = m.unit;
    const qreal midY = origin.y() + m.size.height() / 2;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);

    // The modifier group in the arrow gradient, top to bottom over the group.
    const QRectF group(origin.x(), midY - m.symbolSize / 2, m.groupWidth, m.symbolSize);
    const QBrush gradient(Theme::accentGradientVertical.resolve(group, scheme));
    qreal x = origin.x();
    for (const Hotkey::Part& part : modifierParts(hotkey)) {
        if (part.kind == Hotkey::Part::Kind::symbol)
            Symbols::paint(painter, part.value, {x + m.symbolSize / 2, midY}, m.symbolSize, gradient,
                           SymbolWeight::Medium);
        x += m.symbolSize + m.groupSpacing;
    }
    x += m.plusPadding;
    painter.setFont(plusFont(s));
    painter.setPen(QPen(gradient, 1));
    painter.drawText(QRectF(x, origin.y(), m.plusWidth + s, m.size.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("+"));

    // The key cap: a hard one-unit bottom edge, the face, its border.
    const QRectF cap(origin.x() + m.groupWidth + m.spacing, origin.y(), m.cap.width(), m.cap.height());
    const RoundedRect shape{cap, m.capRadius};
    Shadow{QColor::fromRgbF(0, 0, 0, 0.14f), 0, {0, s}}.paint(painter, shape.path());
    shape.fill(painter, editing ? Theme::accentSoft.resolve(scheme) : Theme::raised.resolve(scheme));
    if (editing)
        shape.strokeInside(painter, Theme::accent.resolve(scheme), 1.5);
    else
        shape.strokeInside(painter, Theme::border.resolve(scheme), 1.0);

    const QColor ink = Theme::text.resolve(scheme);
    if (editing) {
        // An underscore-like bar at the bottom of a 13.5-unit square in the middle of the cap.
        const QPointF bottom(cap.center().x(), cap.center().y() + 13.5 * s / 2);
        BlinkingCursor{11 * s, 1.6 * s}.paint(painter, bottom, now, scheme);
    } else if (const Hotkey::Part key = keyPart(hotkey); key.kind == Hotkey::Part::Kind::symbol) {
        KeySymbol{key.value, 12.5 * s}.paint(painter, cap.center(), ink);
    } else {
        // "<" and ">" sit low in the font: they are raised to the middle.
        const qreal raise = (key.value == u"<" || key.value == u">") ? 1.1 * s : 0;
        painter.setFont(labelFont(s));
        painter.setPen(ink);
        painter.drawText(cap.translated(0, -raise), Qt::AlignCenter | Qt::TextSingleLine, key.value);
    }
    painter.restore();
}

} // namespace tilewick
