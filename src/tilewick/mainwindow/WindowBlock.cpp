#include "WindowBlock.h"

#include "tilewick/visuals/DropZoneDots.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/KeySymbol.h"
#include "tilewick/visuals/RoundedRect.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace tilewick {

namespace {

constexpr qreal kMinimumLabelled = 16;

const QFont& glyphFont(qreal size) {
    return interFont(size, 560);
}

// Letters and digits take the base size; punctuation, which draws small, takes more.
bool isWordKey(const QString& text) {
    return !text.isEmpty() && text.front().isLetterOrNumber();
}

qreal modsRowWidth(qsizetype count, qreal s) {
    return count > 0 ? qreal(count) * 0.6 * s + qreal(count - 1) * 0.08 * s : 0;
}

} // namespace

qreal WindowBlock::cornerRadius(QSizeF size) {
    return std::min(0.08 * size.width(), 4.0);
}

std::optional<WindowBlock::Label> WindowBlock::label(QSizeF size) const {
    if (ghost || !key || size.width() < kMinimumLabelled || size.height() < kMinimumLabelled)
        return std::nullopt;
    Label label;
    const qreal s = std::clamp(std::min(size.width(), size.height()) * 0.08 + 15, 13.0, 26.0);
    label.base = s;
    label.frame = QRectF(3, 2, size.width() - 6, size.height() - 4);
    label.symbol = key->kind == Hotkey::Part::Kind::symbol;
    if (label.symbol) {
        label.glyphSize = 1.35 * s;
        label.glyph = QSizeF(KeySymbol{key->value, label.glyphSize}.boxSize().width(), 0.74 * s);
    } else {
        label.glyphSize = isWordKey(key->value) ? s : 1.3 * s;
        label.glyph =
            QSizeF(QFontMetricsF(glyphFont(label.glyphSize)).horizontalAdvance(key->value), 0.74 * s);
    }
    label.size = label.glyph;
    if (mods.isEmpty() || modsPlacement == ModsPlacement::none)
        return label;
    const QSizeF row(modsRowWidth(mods.size(), s), 0.6 * s);
    QSizeF arranged;
    if (modsPlacement == ModsPlacement::above)
        arranged = QSizeF(std::max(row.width(), label.glyph.width()),
                          row.height() + 0.18 * s + label.glyph.height());
    else
        arranged =
            QSizeF(row.width() + 0.3 * s + label.glyph.width(), std::max(row.height(), label.glyph.height()));
    // The symbols come along only when the whole arrangement fits; else the key stands alone.
    if (arranged.width() <= label.frame.width() && arranged.height() <= label.frame.height()) {
        label.showsMods = true;
        label.modsRow = row;
        label.size = arranged;
    }
    return label;
}

void WindowBlock::paint(QPainter& painter, const QRectF& rect, Scheme scheme) const {
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    const qreal radius = cornerRadius(rect.size());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (ghost) {
        painter.fillPath(DropZoneDots{radius, 2}.path(rect), Theme::accent.resolve(scheme, 0.7));
        painter.restore();
        return;
    }
    RoundedRect{rect, radius}.fill(painter, Theme::accentGradient.resolve(rect, scheme));
    const std::optional<Label> l = label(rect.size());
    if (!l) {
        painter.restore();
        return;
    }
    const QColor ink = QColor::fromRgbF(1, 1, 1, 0.8f);
    const qreal s = l->base;
    const QRectF frame = l->frame.translated(rect.topLeft());
    const QRectF drawn(frame.center() - QPointF(l->size.width(), l->size.height()) / 2, l->size);
    QRectF glyphRect(drawn.bottomRight() - QPointF(l->glyph.width(), l->glyph.height()), l->glyph);
    if (l->showsMods) {
        QPointF rowAt;
        if (modsPlacement == ModsPlacement::above) {
            rowAt = QPointF(drawn.center().x() - l->modsRow.width() / 2, drawn.top());
            glyphRect.moveLeft(drawn.center().x() - l->glyph.width() / 2);
        } else {
            rowAt = QPointF(drawn.left(), drawn.center().y() - l->modsRow.height() / 2);
            glyphRect.moveTop(drawn.center().y() - l->glyph.height() / 2);
        }
        qreal x = rowAt.x();
        for (const QString& name : mods) {
            Symbols::paint(painter, name, {x + 0.3 * s, rowAt.y() + 0.3 * s}, 0.6 * s, ink,
                           SymbolWeight::Medium);
            x += 0.6 * s + 0.08 * s;
        }
    } else {
        glyphRect.moveCenter(drawn.center());
    }
    if (l->symbol) {
        KeySymbol{key->value, l->glyphSize, SymbolWeight::Medium}.paint(painter, glyphRect.center(), ink);
    } else {
        painter.setFont(glyphFont(l->glyphSize));
        painter.setPen(ink);
        // The glyph keeps its ideal size: it overflows its short frame rather than being cut.
        painter.drawText(glyphRect.adjusted(-s, -s, s, s),
                         Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip, key->value);
    }
    painter.restore();
}

QRectF MiniDisplay::contentRect(const QRectF& frame) {
    return frame.adjusted(kPadding, kStrip + kPadding, -kPadding, -kPadding);
}

void MiniDisplay::paintBehind(QPainter& painter, const QRectF& frame, Scheme scheme) {
    const RoundedRect shape{frame, kRadius};
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipPath(shape.path(), Qt::IntersectClip);
    painter.fillRect(frame, Theme::background.resolve(scheme));
    painter.fillRect(QRectF(frame.left(), frame.top(), frame.width(), kStrip),
                     Theme::border.resolve(scheme, 0.9));
    painter.restore();
}

void MiniDisplay::paintOver(QPainter& painter, const QRectF& frame, Scheme scheme) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    RoundedRect{frame, kRadius}.strokeInside(painter, Theme::border.resolve(scheme), 1);
    painter.restore();
}

} // namespace tilewick
