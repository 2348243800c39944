#include "ModifierPanel.h"

#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/Blink.h"
#include "tilewick/visuals/CardModifier.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/RoundedRect.h"
#include "tilewick/visuals/Shadow.h"
#include "tilewick/visuals/Symbols.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextOption>

#include <algorithm>
#include <bit>

namespace tilewick {

namespace {

constexpr qreal kSymbolSize = 30;
constexpr qreal kSymbolFrame = 48;
constexpr qreal kWellSpacing = 12;
constexpr qreal kCaptionSymbol = 12;
constexpr qreal kCaptionSpacing = 4;
// The caption's room inside the well's border on each side.
constexpr qreal kCaptionInset = 8;

struct ModifierName {
    quint64 flag;
    const char* name;
    const char* caption;
};

constexpr ModifierName kModifierNames[] = {{kControlFlag, "control", "CTRL"},
                                           {kOptionFlag, "option", "OPT"},
                                           {kShiftFlag, "shift", "SHIFT"},
                                           {kCommandFlag, "command", "CMD"}};

const QFont& labelFont(qreal size) {
    return interFont(std::max(size * 0.38, 9.0), 500);
}

QFont captionFont() {
    QFont font = interFont(10.5, 500);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1);
    return font;
}

} // namespace

qreal ModifierSymbols::spacing() const {
    if (!labels)
        return size * 0.3;
    return std::popcount(modifiers & kHotkeyModifierMask) < 3 ? size * 0.8 : size * 0.35;
}

QList<ModifierSymbols::Item> ModifierSymbols::items() const {
    QList<Item> items;
    const QFontMetricsF metrics(labelFont(size));
    const qreal labelHeight = labels ? size * 0.12 + metrics.height() : 0;
    for (const ModifierName& entry : kModifierNames) {
        if (!(modifiers & entry.flag))
            continue;
        const QString name = QString::fromLatin1(entry.name);
        const qreal width = labels ? std::max(size, metrics.horizontalAdvance(name)) : size;
        items.append({name, QRectF(0, 0, width, size * 1.1 + labelHeight)});
    }
    // Laid out side by side, tops aligned.
    const qreal gap = spacing();
    qreal x = 0;
    for (Item& item : items) {
        item.rect.moveLeft(x);
        x += item.rect.width() + gap;
    }
    return items;
}

QSizeF ModifierSymbols::sizeHint() const {
    const QList<Item> row = items();
    if (row.isEmpty())
        return {};
    qreal height = 0;
    for (const Item& item : row)
        height = std::max(height, item.rect.height());
    return {row.last().rect.right(), height};
}

void ModifierSymbols::paint(QPainter& painter, const QRectF& frame, const QBrush& brush) const {
    const QSizeF total = sizeHint();
    const QPointF origin(frame.center().x() - total.width() / 2, frame.center().y() - total.height() / 2);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    for (const Item& item : items()) {
        const QRectF r = item.rect.translated(origin);
        Symbols::paint(painter, item.name, {r.center().x(), r.top() + size * 0.55}, size, brush,
                       SymbolWeight::Medium);
        if (labels) {
            painter.setFont(labelFont(size));
            painter.setPen(QPen(brush, 1));
            painter.drawText(QRectF(r.left(), r.top() + size * 1.1 + size * 0.12, r.width(), r.bottom()),
                             Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, item.name);
        }
    }
    painter.restore();
}

ModifierPanel::ModifierPanel(const PageContext& context, QSizeF size, QGraphicsItem* parent)
    : PageItem(context, size, parent) {
    TilewickStore& store = context.store;
    for (auto signal : {&TilewickStore::modifiersChanged, &TilewickStore::modifiersTypedChanged,
                        &TilewickStore::hoveredModifierKeyChanged})
        connect(&store, signal, this, &ModifierPanel::refresh);
    connect(&store, &TilewickStore::editingModifiersChanged, this, [this] {
        // Each edit starts with the panel's frame where it is now.
        if (this->context().store.editingModifiers())
            frameChanged();
        refresh();
    });
    refresh();
}

QString ModifierPanel::caption(quint64 modifiers) {
    QStringList words;
    for (const ModifierName& entry : kModifierNames)
        if (modifiers & entry.flag)
            words << QString::fromLatin1(entry.caption);
    return words.join(QStringLiteral("\u00A0+\u00A0"));
}

QRectF ModifierPanel::wellRect(QSizeF size) {
    return QRectF(kPadding, kPadding, kWellWidth, std::max(size.height() - 2 * kPadding, 0.0));
}

QString ModifierPanel::captionText(bool editing) {
    return editing ? QStringLiteral("HOLD 2 OR 3 MODIFIERS") : QStringLiteral("EDIT MODIFIERS");
}

QString ModifierPanel::captionSymbol(bool editing) {
    return editing ? QStringLiteral("keyboard") : QStringLiteral("square.and.pencil");
}

QString ModifierPanel::tipText() const {
    return QStringLiteral(
        "Click, then hold 2 or 3 of shift, control, option and command. Click outside or press Esc "
        "when done");
}

QString ModifierPanel::accessibleValue() const {
    return caption(context().store.modifiers());
}

void ModifierPanel::activate() {
    context().store.beginEditingModifiers();
}

void ModifierPanel::frameChanged() {
    context().host.setModifierPanelFrame(rootFrame());
}

HoverLift::Options ModifierPanel::liftOptions() const {
    const TilewickStore& store = context().store;
    return {CardModifier::kCornerRadius, 1.008, !store.editingModifiers(), true, store.hoveredModifierKey()};
}

bool ModifierPanel::animatesContent() const {
    return context().store.editingModifiers() && !context().store.modifiersTyped();
}

void ModifierPanel::paintContent(QPainter& painter, const QRectF& rect, Scheme scheme, double now) {
    const TilewickStore& store = context().store;
    const bool editing = store.editingModifiers();
    const RoundedRect panel{rect, CardModifier::kCornerRadius};
    painter.save();
    panel.fill(painter, Theme::card.resolve(scheme));

    // The well: its shadow, fill and gradient border, the symbols or the cursor, the caption.
    const QRectF well = wellRect(rect.size());
    const RoundedRect wellShape{well, 8};
    Shadow{Theme::accent.resolve(scheme, editing ? 0.3 : 0.12), editing ? 8.0 : 4.0, {0, 2}}.paint(
        painter, wellShape.path());
    wellShape.fill(painter, Theme::panelFill.resolve(scheme));
    wellShape.strokeInside(painter, Theme::accentGradient.resolve(well, scheme), editing ? 2.5 : 1.5);

    // The caption row: its symbol and its words, which wrap when the well is too narrow for them.
    const QFont caption = captionFont();
    const QFontMetricsF captionMetrics(caption);
    const QString words = captionText(editing);
    const qreal wordsRoom = well.width() - 2 * kCaptionInset - kCaptionSymbol - kCaptionSpacing;
    const QRectF wordsBox = captionMetrics.boundingRect(QRectF(0, 0, wordsRoom, 1000),
                                                        Qt::AlignHCenter | Qt::TextWordWrap, words);
    const qreal captionHeight = std::max(kCaptionSymbol, wordsBox.height());
    const qreal captionWidth = kCaptionSymbol + kCaptionSpacing + wordsBox.width();
    const qreal stackHeight = kSymbolFrame + kWellSpacing + captionHeight;
    const QRectF symbolFrame(well.left(), well.center().y() - stackHeight / 2, well.width(), kSymbolFrame);
    if (editing && !store.modifiersTyped()) {
        BlinkingCursor{44, 3}.paint(painter, {symbolFrame.center().x(), symbolFrame.bottom() - 6}, now,
                                    scheme);
    } else {
        const QRectF band(symbolFrame.left(), symbolFrame.top() - 8, symbolFrame.width(),
                          symbolFrame.height() + 16);
        ModifierSymbols{store.modifiers(), kSymbolSize, true}.paint(
            painter, symbolFrame, Theme::panelGradient.resolve(band, scheme));
    }
    const QColor accent = Theme::accent.resolve(scheme);
    const qreal captionTop = symbolFrame.bottom() + kWellSpacing;
    qreal x = well.center().x() - captionWidth / 2;
    Symbols::paint(painter, captionSymbol(editing), {x + kCaptionSymbol / 2, captionTop + captionHeight / 2},
                   kCaptionSymbol, accent, SymbolWeight::Semibold);
    x += kCaptionSymbol + kCaptionSpacing;
    painter.setFont(caption);
    painter.setPen(accent);
    painter.drawText(QRectF(x, captionTop, wordsBox.width(), captionHeight),
                     Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextWordWrap, words);

    // The titles, beside the well.
    const qreal titlesLeft = well.right() + kSpacing;
    const qreal titlesWidth = std::max(rect.right() - kPadding - kSpacing - titlesLeft, 0.0);
    QTextOption wrap(Qt::AlignLeft);
    wrap.setWrapMode(QTextOption::WordWrap);
    const QFont& heading = interFont(14, 540);
    const QFont& current = interFont(13, 400);
    const QString currentText =
        QStringLiteral("(current: ") + ModifierPanel::caption(store.modifiers()) + u')';
    const QRectF headingRect = QFontMetricsF(heading).boundingRect(QRectF(0, 0, titlesWidth, 1000),
                                                                   Qt::TextWordWrap, accessibleName());
    const QRectF currentRect =
        QFontMetricsF(current).boundingRect(QRectF(0, 0, titlesWidth, 1000), Qt::TextWordWrap, currentText);
    const qreal titlesHeight = headingRect.height() + 3 + currentRect.height();
    const qreal top = rect.center().y() - titlesHeight / 2;
    painter.setFont(heading);
    painter.setPen(Theme::text.resolve(scheme));
    painter.drawText(QRectF(titlesLeft, top, titlesWidth, headingRect.height()), accessibleName(), wrap);
    painter.setFont(current);
    painter.setPen(Theme::textSecondary.resolve(scheme));
    painter.drawText(QRectF(titlesLeft, top + headingRect.height() + 3, titlesWidth, currentRect.height()),
                     currentText, wrap);

    if (editing)
        panel.strokeInside(painter, accent, 1.75);
    else
        panel.strokeInside(painter, Theme::border.resolve(scheme), 1.0);
    painter.restore();
}

} // namespace tilewick
