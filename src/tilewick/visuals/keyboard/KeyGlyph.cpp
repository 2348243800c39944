#include "KeyGlyph.h"

#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/KeySymbol.h"
#include "tilewick/visuals/RoundedRect.h"
#include "tilewick/visuals/SolidArrow.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace tilewick {

namespace {

constexpr qreal kBlockGap = 1.5;

// The word under a word glyph's drawing, and the drawing's band above it; both framed W × H.
KeyGlyph::Word wordUnder(const QString& text, QSizeF area, qreal frameWidth, qreal& drawingTop) {
    const qreal w = area.width(), h = area.height();
    const qreal size = std::max(0.52 * h, 7.0);
    const qreal lineHeight = QFontMetricsF(interFont(size, 720)).height();
    const qreal drawingHeight = 0.42 * h;
    const qreal stack = drawingHeight + kBlockGap + lineHeight;
    drawingTop = (h - stack) / 2;
    const QRectF frame((w - frameWidth) / 2, drawingTop + drawingHeight + kBlockGap, frameWidth, lineHeight);
    return {text, frame, size, 720, 0.3};
}

// Three pieces side by side, the two outer ones sharing what the middle leaves.
void sideBlocks(KeyGlyph& glyph, QRectF band, qreal middle, qreal spacing, bool leftLit, bool rightLit) {
    const qreal side = std::max<qreal>((band.width() - middle - 2 * spacing) / 2, 0);
    glyph.blocks.push_back({QRectF(band.left(), band.top(), side, band.height()), leftLit});
    glyph.blocks.push_back({QRectF(band.right() - side, band.top(), side, band.height()), rightLit});
}

} // namespace

KeyGlyph KeyGlyph::layout(SnapAction action, QSizeF area, bool allLit, bool canRedo) {
    const SnapKind k = kind(action);
    const qreal w = area.width(), h = area.height();
    KeyGlyph glyph;
    switch (k.type()) {
    case SnapKind::Type::cells: {
        const auto& span = k.cellSpan();
        const qreal cw = (w + kBlockGap) / qreal(span.cols), ch = (h + kBlockGap) / qreal(span.rows);
        for (const SnapKind::Block& b : k.blocks())
            glyph.blocks.push_back(
                {QRectF(cw * qreal(b.x), ch * qreal(b.y), std::max<qreal>(cw * qreal(b.w) - kBlockGap, 0),
                        std::max<qreal>(ch * qreal(b.h) - kBlockGap, 0)),
                 b.isWindow || allLit});
        break;
    }
    case SnapKind::Type::display: {
        const int step = k.step();
        const qreal spacing = 0.08 * w;
        const QSizeF arrow(0.6 * h, 0.46 * h);
        sideBlocks(glyph, QRectF(0, 0, w, h), arrow.width(), spacing, step < 0, step >= 1);
        glyph.arrow =
            Arrow{QRectF((w - arrow.width()) / 2, (h - arrow.height()) / 2, arrow.width(), arrow.height()),
                  step < 0};
        break;
    }
    case SnapKind::Type::history: {
        const int step = k.step();
        qreal top = 0;
        glyph.word =
            wordUnder(step < 0 ? QStringLiteral("UNDO") : QStringLiteral("REDO"), area, 1.45 * w, top);
        const QRectF band(0, top, w, 0.42 * h);
        const qreal symbolSide =
            KeySymbol{QStringLiteral("arrowtriangle.left.fill"), 0.3 * h}.boxSize().width();
        sideBlocks(glyph, band, symbolSide, kBlockGap, step < 0, step >= 1);
        glyph.arrow =
            Arrow{QRectF((w - symbolSide) / 2, band.center().y() - symbolSide / 2, symbolSide, symbolSide),
                  step < 0, true};
        glyph.greyed = step >= 1 && !canRedo;
        break;
    }
    case SnapKind::Type::centre: {
        qreal top = 0;
        glyph.word = wordUnder(QStringLiteral("CENTRE"), area, 1.6 * w, top);
        const QRectF band(0, top, w, 0.42 * h);
        glyph.blocks.push_back({band, false});
        const qreal litWidth = 0.34 * w;
        glyph.blocks.push_back(
            {QRectF((w - litWidth) / 2, band.top() + 1, litWidth, std::max<qreal>(band.height() - 2, 0)),
             true, 1.0});
        break;
    }
    case SnapKind::Type::maximize: {
        glyph.blocks.push_back({QRectF(0, 0, w, h), true});
        glyph.word = Word{QStringLiteral("MAX"), QRectF(0, 0, w, h), std::max(0.42 * h, 5.0), 750, 0, true};
        break;
    }
    case SnapKind::Type::focus: {
        qreal top = 0;
        glyph.word = wordUnder(QStringLiteral("FOCUS"), area, 1.45 * w, top);
        const QRectF band(0, top, w, 0.42 * h);
        const qreal litWidth = 0.5 * w;
        sideBlocks(glyph, band, litWidth, kBlockGap, false, false);
        glyph.blocks.push_back({QRectF((w - litWidth) / 2, band.top(), litWidth, band.height()), true});
        break;
    }
    }
    return glyph;
}

namespace {

const QFont& wordFont(qreal size, int weight) {
    return weight == 750 ? interFont(size, 750) : interFont(size, 720);
}

} // namespace

void KeyGlyph::paint(QPainter& painter, QPointF origin, Scheme scheme) const {
    const bool dark = scheme == Scheme::Dark;
    const QColor grey = Theme::textSecondary.resolve(scheme, 0.45);
    auto litBrush = [&](const QRectF& r) -> QBrush {
        if (greyed)
            return grey;
        if (dark)
            return Theme::accentGradient.resolve(r, scheme);
        return Theme::accent.resolve(scheme);
    };
    const QBrush dim = dark ? QBrush(Qt::black) : QBrush(Theme::border.resolve(scheme));

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(origin);
    for (const Block& b : blocks) {
        if (b.rect.isEmpty())
            continue;
        RoundedRect{b.rect, b.radius}.fill(painter, b.lit ? litBrush(b.rect) : dim);
    }
    if (arrow) {
        if (arrow->symbol) {
            const KeySymbol symbol{arrow->left ? QStringLiteral("arrowtriangle.left.fill")
                                               : QStringLiteral("arrowtriangle.right.fill"),
                                   arrow->rect.width() / 0.6, SymbolWeight::Bold};
            symbol.paint(painter, arrow->rect.center(), litBrush(arrow->rect));
        } else {
            painter.fillPath(solidArrowPath(arrow->rect, arrow->left), litBrush(arrow->rect));
        }
    }
    if (word && word->frame.width() > 0) {
        QFont font = wordFont(word->fontSize, word->weight);
        font.setLetterSpacing(QFont::AbsoluteSpacing, word->tracking);
        // One line, shrinking down to half size when it does not fit.
        const qreal natural = QFontMetricsF(font).horizontalAdvance(word->text);
        const qreal scale =
            natural > word->frame.width() ? std::max(word->frame.width() / natural, 0.5) : 1.0;
        if (scale < 1) {
            font = wordFont(word->fontSize * scale, word->weight);
            font.setLetterSpacing(QFont::AbsoluteSpacing, word->tracking * scale);
        }
        QColor colour;
        if (word->onLit)
            colour = Qt::white;
        else if (greyed)
            colour = Theme::textSecondary.resolve(scheme, 0.55);
        else
            colour = dark ? QColor(255, 255, 255, 217) : Theme::accent.resolve(scheme);
        painter.setFont(font);
        painter.setPen(colour);
        painter.drawText(word->frame, Qt::AlignCenter | Qt::TextSingleLine, word->text);
    }
    painter.restore();
}

} // namespace tilewick
