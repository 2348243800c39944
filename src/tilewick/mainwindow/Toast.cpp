#include "Toast.h"

#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/CardModifier.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/Symbols.h"
#include "tilewick/visuals/Theme.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPointer>

#include <algorithm>

namespace tilewick {

namespace {

constexpr double kFrame = 1.0 / 60;

const QFont& noteFont() {
    return interFont(13, 500);
}

// The text's box at most `width` wide.
QSizeF textSize(const QString& text, qreal width) {
    return QFontMetricsF(noteFont())
        .boundingRect(QRectF(0, 0, std::max<qreal>(width, 1), 1e6), Qt::TextWordWrap, text)
        .size();
}

} // namespace

Toast::Toast(TilewickStore& store, ViewServices services, QWidget* parent)
    : QWidget(parent), m_store(store), m_services(std::move(services)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    if (store.note()) {
        m_text = *store.note();
        m_presence.set(1);
    }
    connect(&store, &TilewickStore::noteChanged, this, &Toast::noteChanged);
}

Toast::~Toast() {
    if (m_frames)
        m_frames->cancel();
}

QRectF Toast::cardFrame(QSizeF area, const QString& text) {
    const qreal outer = area.width() - 2 * kOuterHorizontal;
    const qreal textRoom = outer - 2 * kInnerHorizontal - kSymbolSize - kSpacing;
    const QSizeF box = textSize(text, textRoom);
    const QSizeF card(box.width() + kSymbolSize + kSpacing + 2 * kInnerHorizontal,
                      std::max(box.height(), kSymbolSize) + 2 * kInnerVertical);
    return {(area.width() - card.width()) / 2, area.height() - kOuterBottom - card.height(), card.width(),
            card.height()};
}

void Toast::noteChanged() {
    const double now = m_services.now();
    if (const auto& note = m_store.note()) {
        m_text = *note;
        m_presence.retarget(1, now, kDuration, Transition::Curve::easeOut);
    } else {
        m_presence.retarget(0, now, kDuration, Transition::Curve::easeOut);
    }
    refresh();
}

void Toast::refresh() {
    update();
    if (m_presence.isRunning(m_services.now())) {
        if (!m_frames) {
            QPointer<Toast> self(this);
            m_frames = m_services.runtime().every(kFrame, 0, [self] {
                if (self)
                    self->refresh();
            });
        }
    } else if (m_frames) {
        m_frames->cancel();
        m_frames.reset();
    }
}

void Toast::paintEvent(QPaintEvent*) {
    const double presence = this->presence();
    if (presence <= 0 || m_text.isEmpty())
        return;
    const Scheme scheme = m_services.scheme();
    QRectF card = cardFrame(size(), m_text);
    // Slides in from below the bottom edge.
    card.translate(0, (1 - presence) * (height() - card.top()));
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(presence);
    const CardModifier chrome{0, false};
    chrome.behind(painter, card, scheme);
    chrome.over(painter, card, scheme);
    const QRectF inner = card.adjusted(kInnerHorizontal, kInnerVertical, -kInnerHorizontal, -kInnerVertical);
    Symbols::paint(painter, QStringLiteral("info.circle"),
                   {inner.left() + kSymbolSize / 2, inner.center().y()}, kSymbolSize,
                   Theme::accent.resolve(scheme));
    painter.setFont(noteFont());
    painter.setPen(Theme::text.resolve(scheme));
    painter.drawText(inner.adjusted(kSymbolSize + kSpacing, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, m_text);
}

} // namespace tilewick
