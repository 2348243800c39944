#include "ManualResults.h"

#include "ManualDocument.h"
#include "ManualViewState.h"

#include "tilewick/manual/ManualText.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/RoundedRect.h"
#include "tilewick/visuals/Theme.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tilewick {

namespace {

using namespace Qt::StringLiterals;

constexpr qreal kVertical = 20;
constexpr qreal kSpacing = 10;
constexpr qreal kCardHorizontal = 15;
constexpr qreal kCardVertical = 12;
constexpr qreal kCardSpacing = 3;
constexpr qreal kCardRadius = 12;

QString hintMarkdown() {
    return u"Try a shorter or different word, or look through the [Glossary](#glossary)."_s;
}

QFont kickerFont() {
    return tracked(interFont(11.5, 500), 1.1);
}

} // namespace

TextBlock highlighted(const QString& text, const QStringList& words, const QFont& font, const QFont& markFont,
                      int maxLines) {
    QList<QTextLayout::FormatRange> marks;
    if (!words.isEmpty()) {
        const Manual::FoldedText folded = Manual::fold(text);
        for (const QString& word : words) {
            const QString foldedWord = Manual::folded(word);
            qsizetype start = 0;
            while (start < text.size()) {
                const auto found = Manual::find(folded, foldedWord, start);
                if (!found || found->end <= start)
                    break;
                marks.append(TextBlock::accented(found->start, found->end - found->start, markFont));
                start = found->end;
            }
        }
    }
    return TextBlock(text, font, marks, 0, maxLines);
}

QString resultsSummary(qsizetype count, const QString& query) {
    if (count == 0)
        return u"Nothing found for \u201C"_s + query + u"\u201D"_s;
    return QString::number(count) + (count == 1 ? u" result"_s : u" results"_s) + u" for \u201C"_s + query +
           u"\u201D"_s;
}

TextBlock ResultRow::kicker() const {
    return TextBlock(Manual::upperCased(entry.kicker), kickerFont());
}

TextBlock ResultRow::title() const {
    return highlighted(entry.title, words, interFont(15.5, 600), interFont(15.5, 700));
}

TextBlock ResultRow::snippet() const {
    return highlighted(Manual::snippet(entry.text, words), words, interFont(13.5, 360), interFont(13.5, 600),
                       kSnippetLines);
}

ManualResults::ManualResults(ManualViewState& state, ViewServices services, QWidget* parent)
    : QWidget(parent), m_state(state), m_services(std::move(services)) {
    setMouseTracking(true);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    connect(&m_state, &ManualViewState::queryChanged, this, &ManualResults::rebuild);
    rebuild();
}

void ManualResults::rebuild() {
    m_query = m_state.query();
    m_rows.clear();
    m_pressedCard = -1;
    const QStringList words = Manual::words(m_query);
    ManualViewState* state = &m_state;
    for (const Manual::Entry& entry : Manual::search(m_query)) {
        const QString id = entry.id;
        m_rows.append({entry, words, [state, id] { state->jump(id); }, false});
    }
    m_laidOutWidth = -1;
    if (width() > 0)
        layoutFor(width());
    updateGeometry();
    update();
}

qreal ManualResults::layoutFor(qreal width) {
    if (width == m_laidOutWidth)
        return m_height;
    m_laidOutWidth = width;
    const auto [left, column] = ManualDocument::columnFor(width);
    qreal y = kVertical;
    m_summary = TextBlock(resultsSummary(m_rows.size(), m_query), interFont(14, 600));
    m_summaryAt = {left, y};
    y += m_summary.layout(column);
    m_hint.reset();
    if (m_rows.isEmpty()) {
        y += kSpacing;
        m_hint = TextBlock::markdown(hintMarkdown(), interFont(14, 360), interFont(14, 600));
        m_hintAt = {left, y};
        y += m_hint->layout(column);
    }
    m_cards.clear();
    const qreal inner = std::max<qreal>(1, column - 2 * kCardHorizontal);
    for (const ResultRow& row : m_rows) {
        y += kSpacing;
        Card card{{}, row.kicker(), row.title(), row.snippet()};
        const qreal height = kCardVertical + card.kicker.layout(inner) + kCardSpacing +
                             card.title.layout(inner) + kCardSpacing + card.snippet.layout(inner) +
                             kCardVertical;
        card.frame = {left, y, column, height};
        y += height;
        m_cards.append(std::move(card));
    }
    y += kVertical;
    m_height = std::ceil(y);
    return m_height;
}

int ManualResults::heightForWidth(int width) const {
    return int(const_cast<ManualResults*>(this)->layoutFor(width));
}

QSize ManualResults::sizeHint() const {
    const int width = int(ManualDocument::kColumn + 2 * ManualDocument::kSidePadding);
    return {width, heightForWidth(width)};
}

QList<QRectF> ManualResults::cardFrames() const {
    QList<QRectF> frames;
    for (const Card& card : m_cards)
        frames.append(card.frame);
    return frames;
}

void ManualResults::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutFor(width());
}

void ManualResults::paintEvent(QPaintEvent*) {
    layoutFor(width());
    const Scheme scheme = m_services.scheme();
    const QColor primary = Theme::text.resolve(scheme);
    const QColor secondary = Theme::textSecondary.resolve(scheme);
    const QColor accent = Theme::accent.resolve(scheme);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), Theme::background.resolve(scheme));
    m_summary.paint(painter, m_summaryAt, secondary, accent);
    if (m_hint)
        m_hint->paint(painter, m_hintAt, primary, accent);
    for (qsizetype i = 0; i < m_cards.size(); ++i) {
        const Card& card = m_cards[i];
        const RoundedRect box{card.frame, kCardRadius};
        box.fill(painter, Theme::card.resolve(scheme));
        box.strokeInside(painter, (m_rows[i].hovering ? Theme::accent : Theme::border).resolve(scheme), 1);
        QPointF at = card.frame.topLeft() + QPointF(kCardHorizontal, kCardVertical);
        card.kicker.paint(painter, at, accent, accent);
        at.ry() += card.kicker.height() + kCardSpacing;
        card.title.paint(painter, at, primary, accent);
        at.ry() += card.title.height() + kCardSpacing;
        card.snippet.paint(painter, at, secondary, accent);
    }
}

int ManualResults::cardAt(QPointF point) const {
    for (qsizetype i = 0; i < m_cards.size(); ++i)
        if (RoundedRect{m_cards[i].frame, kCardRadius}.path().contains(point))
            return int(i);
    return -1;
}

std::optional<QString> ManualResults::linkAt(QPointF point) const {
    if (!m_hint)
        return std::nullopt;
    return m_hint->linkAt(point - m_hintAt);
}

void ManualResults::setHovered(int index) {
    bool changed = false;
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        const bool hovering = i == index;
        changed |= m_rows[i].hovering != hovering;
        m_rows[i].hovering = hovering;
    }
    if (changed)
        update();
}

void ManualResults::mouseMoveEvent(QMouseEvent* event) {
    const int card = cardAt(event->position());
    setHovered(card);
    setCursor(card >= 0 || linkAt(event->position()) ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QWidget::mouseMoveEvent(event);
}

void ManualResults::leaveEvent(QEvent* event) {
    setHovered(-1);
    QWidget::leaveEvent(event);
}

void ManualResults::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_pressedCard = cardAt(event->position());
        m_pressedLink = linkAt(event->position());
    }
    QWidget::mousePressEvent(event);
}

void ManualResults::mouseReleaseEvent(QMouseEvent* event) {
    const int pressedCard = std::exchange(m_pressedCard, -1);
    const auto pressedLink = std::exchange(m_pressedLink, std::nullopt);
    if (event->button() == Qt::LeftButton) {
        if (pressedCard >= 0 && cardAt(event->position()) == pressedCard) {
            // Opening clears the search, which rebuilds the rows this action belongs to.
            const std::function<void()> open = m_rows[pressedCard].open;
            open();
        } else if (pressedLink && linkAt(event->position()) == pressedLink)
            m_state.openLink(*pressedLink);
    }
    QWidget::mouseReleaseEvent(event);
}

} // namespace tilewick
