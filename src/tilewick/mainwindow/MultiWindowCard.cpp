#include "MultiWindowCard.h"

#include "SnapCard.h"
#include "WindowBlock.h"

#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/CardModifier.h"
#include "tilewick/visuals/InterFont.h"

#include <QFontMetricsF>
#include <QPainter>

namespace tilewick {

MultiWindowCard::MultiWindowCard(const PageContext& context, qreal width, qreal previewHeight,
                                 QGraphicsItem* parent)
    : PageItem(context, SnapCard::Layout::of(width, previewHeight, 2).card, parent), m_width(width),
      m_previewHeight(previewHeight) {
    for (auto signal : {&TilewickStore::modifiersChanged, &TilewickStore::hoveredGlobeKeyChanged})
        connect(&context.store, signal, this, &MultiWindowCard::refresh);
    refresh();
}

HotkeyView MultiWindowCard::chip() const {
    return HotkeyView{Hotkey{platform::kFnKeyCode, context().store.modifiers(), QStringLiteral("fn")}, false,
                      SnapCard::kStackedChipScale, false};
}

QList<QRectF> MultiWindowCard::windows(QSizeF size) {
    QList<QRectF> rects;
    const qreal w = size.width() / 2, h = size.height() / 2;
    for (int i = 0; i < 4; ++i)
        rects.append(QRectF((i % 2) * w + 1.5, (i / 2) * h + 1.5, w - 3, h - 3));
    return rects;
}

QString MultiWindowCard::tipText(quint64 modifiers) {
    return QStringLiteral("Multi-window modifier: hold ") + Hotkey::modifierGlyphs(modifiers) +
           QStringLiteral(
               " and \U0001F310, then press a layout key. If the focused app supports multiple windows, it "
               "fills the layout with them (two for halves, four for quarters and so on), opening new ones "
               "as needed");
}

QString MultiWindowCard::tipText() const {
    return tipText(context().store.modifiers());
}

HoverLift::Options MultiWindowCard::liftOptions() const {
    return {CardModifier::kCornerRadius, 1.008, true, false, context().store.hoveredGlobeKey()};
}

void MultiWindowCard::paintContent(QPainter& painter, const QRectF& rect, Scheme scheme, double now) {
    const SnapCard::Layout layout = SnapCard::Layout::of(m_width, m_previewHeight, 2);
    const CardModifier card{SnapCard::kPadding, false};
    card.behind(painter, rect, scheme);

    MiniDisplay::paintBehind(painter, layout.preview, scheme);
    const QRectF area = MiniDisplay::contentRect(layout.preview);
    const WindowBlock window{false, std::nullopt, {}, WindowBlock::ModsPlacement::none};
    for (const QRectF& r : windows(area.size()))
        window.paint(painter, r.translated(area.topLeft()), scheme);
    MiniDisplay::paintOver(painter, layout.preview, scheme);

    const HotkeyView hotkey = chip();
    const QSizeF chipSize = hotkey.metrics().size;
    const QFont& font = interFont(14, 540);
    const QFontMetricsF metrics(font);
    const QRectF names = layout.nameArea;
    const qreal total = chipSize.height() + 6 + metrics.lineSpacing();
    const qreal top = names.center().y() - total / 2;
    hotkey.paint(painter, {names.center().x() - chipSize.width() / 2, top}, scheme, now);
    painter.save();
    painter.setFont(font);
    painter.setPen(Theme::text.resolve(scheme));
    painter.drawText(QRectF(names.left(), top + chipSize.height() + 6, names.width(), metrics.lineSpacing()),
                     Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                     metrics.elidedText(QStringLiteral("Multi-window"), Qt::ElideRight, names.width()));
    painter.restore();
    card.over(painter, rect, scheme);
}

} // namespace tilewick
