#include "SnapCard.h"

#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/CardModifier.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/Symbols.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace tilewick {

namespace {

constexpr qreal kEditIcon = 15;
constexpr qreal kEditIconSpacing = 5;
constexpr qreal kTitleSpacing = 6;

const QFont& editFont() {
    return interFont(15, 560);
}

const QFont& titleFont() {
    return interFont(14, 540);
}

qreal editLabelWidth() {
    return kEditIcon + kEditIconSpacing + QFontMetricsF(editFont()).horizontalAdvance(QStringLiteral("Edit"));
}

} // namespace

qreal SnapCard::Layout::oneLineChipScale(qreal width) {
    return std::min(std::max((width - 86) / 70, 1.0), 1.44);
}

SnapCard::Layout SnapCard::Layout::of(qreal width, qreal previewHeight, int nameLines) {
    Layout l;
    l.oneLine = nameLines < 2;
    l.chipScale = l.oneLine ? oneLineChipScale(width) : kStackedChipScale;
    const qreal nameHeight = l.oneLine ? kOneLineHeight : previewHeight;
    l.preview = QRectF(kPadding, kPadding, width, previewHeight);
    l.nameArea = QRectF(kPadding, kPadding + previewHeight + kSpacing, width, nameHeight);
    l.card = QSizeF(width + 2 * kPadding, previewHeight + kSpacing + nameHeight + 2 * kPadding);
    return l;
}

SnapCard::SnapCard(const PageContext& context, SnapAction action, qreal width, qreal previewHeight,
                   int nameLines, QGraphicsItem* parent)
    : PageItem(context, Layout::of(width, previewHeight, nameLines).card, parent), m_action(action),
      m_nameLines(nameLines), m_layout(Layout::of(width, previewHeight, nameLines)) {
    TilewickStore& store = context.store;
    for (auto signal :
         {&TilewickStore::bindingsChanged, &TilewickStore::modifiersChanged, &TilewickStore::flashChanged,
          &TilewickStore::hoveredKeyActionChanged, &TilewickStore::canRedoChanged})
        connect(&store, signal, this, &SnapCard::refresh);
    connect(&store, &TilewickStore::recordingChanged, this, [this] {
        // Whenever the recording names this card, the card says where it is, also when the
        // same card was clicked again (the store clears the frame at every start).
        reportFrame();
        refresh();
    });
    refresh();
}

bool SnapCard::recording() const {
    return context().store.recording() == m_action;
}

bool SnapCard::selected() const {
    return recording() || context().store.flash() == m_action;
}

HotkeyView SnapCard::chip() const {
    const TilewickStore& store = context().store;
    return HotkeyView{store.hotkey(m_action).value_or(HotkeyView::dash(store.modifiers())), false,
                      m_layout.chipScale, recording()};
}

LayoutPreview SnapCard::preview() const {
    return LayoutPreview::of(context().store, m_action, m_nameLines == 1);
}

QString SnapCard::tipText(SnapAction action, bool recording) {
    if (recording)
        return QStringLiteral(
            "Press the new key. Esc cancels, Delete clears, or click outside to keep the old one");
    if (action == SnapAction::previousDisplay)
        return QStringLiteral("Move window to previous display");
    if (action == SnapAction::nextDisplay)
        return QStringLiteral("Move window to next display");
    return QStringLiteral("Select to edit hotkey");
}

QString SnapCard::tipText() const {
    return tipText(m_action, recording());
}

QString SnapCard::accessibleName() const {
    return title(m_action);
}

QString SnapCard::accessibleValue() const {
    return chip().accessibleLabel();
}

void SnapCard::activate() {
    context().store.beginRecording(m_action);
}

HoverLift::Options SnapCard::liftOptions() const {
    const bool busy = recording();
    return {CardModifier::kCornerRadius, 1.015, !busy, true, context().store.hoveredKeyAction() == m_action};
}

void SnapCard::frameChanged() {
    m_cardFrame = rootFrame();
    reportFrame();
}

void SnapCard::reportFrame() {
    if (recording())
        context().host.setRecordingCardFrame(m_action, m_cardFrame);
}

void SnapCard::hoverEnterEvent(QGraphicsSceneHoverEvent* event) {
    context().store.setHoveredAction(m_action);
    PageItem::hoverEnterEvent(event);
}

void SnapCard::hoverLeaveEvent(QGraphicsSceneHoverEvent* event) {
    // A card the pointer has entered meanwhile keeps its claim.
    if (context().store.hoveredAction() == m_action)
        context().store.setHoveredAction(std::nullopt);
    PageItem::hoverLeaveEvent(event);
}

void SnapCard::paintContent(QPainter& painter, const QRectF& rect, Scheme scheme, double now) {
    const CardModifier card{kPadding, selected()};
    card.behind(painter, rect, scheme);
    preview().paint(painter, m_layout.preview.topLeft(), m_layout.preview.size(), scheme);

    const HotkeyView hotkey = chip();
    const QSizeF chipSize = hotkey.metrics().size;
    const QRectF area = m_layout.nameArea;
    if (m_layout.oneLine) {
        const qreal total = chipSize.width() + kEditSpacing + editLabelWidth();
        const qreal left = area.center().x() - total / 2;
        hotkey.paint(painter, {left, area.center().y() - chipSize.height() / 2}, scheme, now);
        painter.save();
        painter.setOpacity(painter.opacity() * (recording() ? 0.45 : 1.0));
        const QColor accent = Theme::accent.resolve(scheme);
        qreal x = left + chipSize.width() + kEditSpacing;
        Symbols::paint(painter, QStringLiteral("square.and.pencil"), {x + kEditIcon / 2, area.center().y()},
                       kEditIcon, accent);
        x += kEditIcon + kEditIconSpacing;
        painter.setFont(editFont());
        painter.setPen(accent);
        painter.drawText(QRectF(x, area.top(), area.right() - x + 40, area.height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, QStringLiteral("Edit"));
        painter.restore();
    } else {
        const QFontMetricsF metrics(titleFont());
        const int lines = std::max(m_nameLines - 1, 1);
        const QRectF bound = metrics.boundingRect(QRectF(0, 0, area.width(), metrics.lineSpacing() * lines),
                                                  Qt::AlignHCenter | Qt::TextWordWrap, title(m_action));
        const qreal titleHeight = std::min(bound.height(), metrics.lineSpacing() * lines);
        const qreal total = chipSize.height() + kTitleSpacing + titleHeight;
        const qreal top = area.center().y() - total / 2;
        hotkey.paint(painter, {area.center().x() - chipSize.width() / 2, top}, scheme, now);
        painter.save();
        painter.setFont(titleFont());
        painter.setPen(Theme::text.resolve(scheme));
        const QRectF titleRect(area.left(), top + chipSize.height() + kTitleSpacing, area.width(),
                               titleHeight);
        painter.setClipRect(titleRect.adjusted(-2, 0, 2, 2));
        const QString text =
            lines == 1 ? metrics.elidedText(title(m_action), Qt::ElideRight, area.width()) : title(m_action);
        painter.drawText(titleRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text);
        painter.restore();
    }
    card.over(painter, rect, scheme);
}

} // namespace tilewick
