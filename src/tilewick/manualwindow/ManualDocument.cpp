#include "ManualDocument.h"

#include "ManualViewState.h"

#include "tilewick/manual/ManualContent.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/RoundedRect.h"
#include "tilewick/visuals/Theme.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace tilewick {

namespace {

using namespace Qt::StringLiterals;

constexpr double kFrame = 1.0 / 60;
// Space above each part after the first, and above the glossary: the rule sits this far below.
constexpr qreal kRuleGap = 40;
constexpr qreal kHeadingTop = 28;
constexpr qreal kHeadingSpacing = 6;
constexpr qreal kTopicTop = 24;
constexpr qreal kTermTop = 14;
constexpr qreal kBadge = 26;
constexpr qreal kBadgeSpacing = 12;
// Blocks of a numbered topic line up with its title text.
constexpr qreal kNumberedIndent = kBadge + kBadgeSpacing;
constexpr qreal kTitleSpacing = 8;
constexpr qreal kBlockSpacing = 10;
constexpr qreal kHighlightOutset = 10;
constexpr qreal kFooterTop = 44;
constexpr qreal kBottom = 48;
constexpr qreal kNoteHorizontal = 14;
constexpr qreal kNoteVertical = 11;
constexpr qreal kTablePadding = 16;
constexpr qreal kTableColumns = 18;
constexpr qreal kTableRows = 9;
constexpr qreal kBoxRadius = 12;

QString footerText() {
    return u"Tilewick \u00B7 Veldor Pellrath \u00B7 Orrinvale Ltd."_s;
}

} // namespace

ManualDocument::ManualDocument(ManualViewState& state, ViewServices services, QWidget* parent)
    : QWidget(parent), m_state(state), m_services(std::move(services)) {
    setMouseTracking(true);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    for (const Manual::Section& section : Manual::sections())
        m_sectionIds.append(section.id);
    connect(&m_state, &ManualViewState::flashedChanged, this, [this] {
        update();
        refreshFrames();
    });
}

int ManualDocument::heightForWidth(int width) const {
    return int(std::ceil(const_cast<ManualDocument*>(this)->layoutFor(width)));
}

QSize ManualDocument::sizeHint() const {
    return {int(kColumn + 2 * kSidePadding), heightForWidth(int(kColumn + 2 * kSidePadding))};
}

ManualDocument::Column ManualDocument::columnFor(qreal width) {
    const qreal column = std::max<qreal>(1, std::min(kColumn, width - 2 * kSidePadding));
    return {std::round((width - column) / 2), column};
}

qreal ManualDocument::layoutFor(qreal width) {
    if (width == m_laidOutWidth)
        return m_height;
    m_laidOutWidth = width;
    m_texts.clear();
    m_shapes.clear();
    m_highlights.clear();
    m_anchors.clear();

    const auto [left, column] = columnFor(width);
    qreal y = 0;

    const auto place = [&](TextBlock block, qreal x, qreal top, qreal room, Ink ink) {
        block.layout(room);
        const qreal height = block.height();
        m_texts.append({std::move(block), {x, top}, ink, room});
        return height;
    };
    const auto rule = [&] {
        y += kRuleGap;
        m_shapes.append({Box::Rule, {left, y, column, 1}});
        y += 1;
    };
    const auto heading = [&](const QString& id, const QString& title, const std::optional<QString>& lead) {
        m_anchors.insert(id, y);
        y += kHeadingTop;
        y += place(TextBlock(title, interFont(26, 720)), left, y, column, Ink::Primary);
        if (lead) {
            y += kHeadingSpacing;
            y += place(TextBlock::markdown(*lead, interFont(16, 340), interFont(16, 600)), left, y, column,
                       Ink::Secondary);
        }
    };
    // One block of a topic at `x`, `room` wide; returns its height.
    const auto block = [&](const Manual::Block& b, qreal x, qreal top, qreal room) -> qreal {
        switch (b.kind) {
        case Manual::Block::Kind::Text:
            return place(TextBlock::markdown(b.markdown, interFont(14.5, 360), interFont(14.5, 600), 3), x,
                         top, room, Ink::Primary);
        case Manual::Block::Kind::Note: {
            const qreal text =
                place(TextBlock::markdown(b.markdown, interFont(14, 400), interFont(14, 600)),
                      x + kNoteHorizontal, top + kNoteVertical, room - 2 * kNoteHorizontal, Ink::Primary);
            const qreal height = text + 2 * kNoteVertical;
            m_shapes.append({Box::Note, {x, top, room, height}});
            return height;
        }
        case Manual::Block::Kind::Table: {
            QList<TextBlock> labels;
            qreal labelWidth = 0;
            for (const auto& row : b.rows) {
                labels.append(TextBlock(row.first, interFont(13.5, 600)));
                labelWidth = std::max(labelWidth, labels.last().idealWidth());
            }
            const qreal valueX = x + kTablePadding + labelWidth + kTableColumns;
            const qreal valueRoom = std::max<qreal>(1, room - 2 * kTablePadding - labelWidth - kTableColumns);
            qreal rowTop = top + kTablePadding;
            for (qsizetype i = 0; i < b.rows.size(); ++i) {
                if (i > 0)
                    rowTop += kTableRows;
                TextBlock label = labels[i];
                label.layout(labelWidth + 1);
                TextBlock value =
                    TextBlock::markdown(b.rows[i].second, interFont(14, 360), interFont(14, 600));
                value.layout(valueRoom);
                // The two cells share their first baseline.
                const qreal baseline = std::max(label.firstBaseline(), value.firstBaseline());
                const qreal labelTop = rowTop + baseline - label.firstBaseline();
                const qreal valueTop = rowTop + baseline - value.firstBaseline();
                const qreal bottom = std::max(labelTop + label.height(), valueTop + value.height());
                m_texts.append(
                    {std::move(label), {x + kTablePadding, labelTop}, Ink::Primary, labelWidth + 1});
                m_texts.append({std::move(value), {valueX, valueTop}, Ink::Primary, valueRoom});
                rowTop = bottom;
            }
            const qreal height = rowTop + kTablePadding - top;
            m_shapes.append({Box::Table, {x, top, room, height}});
            return height;
        }
        }
        return 0;
    };

    const QList<Manual::Part>& parts = Manual::parts();
    for (qsizetype p = 0; p < parts.size(); ++p) {
        const Manual::Part& part = parts[p];
        if (p > 0)
            rule();
        heading(part.id, part.title, part.lead);
        for (qsizetype t = 0; t < part.topics.size(); ++t) {
            const Manual::Topic& topic = part.topics[t];
            m_anchors.insert(topic.id, y);
            y += kTopicTop;
            const qreal boxTop = y;
            const qreal indent = part.numbered ? kNumberedIndent : 0;
            TextBlock title(topic.title, interFont(17, 650));
            title.layout(column - indent);
            const qreal rowHeight = std::max(part.numbered ? kBadge : 0, title.height());
            if (part.numbered) {
                const QRectF badge(left, y + (rowHeight - kBadge) / 2, kBadge, kBadge);
                m_shapes.append({Box::Badge, badge});
                TextBlock number(QString::number(t + 1), interFont(13, 700));
                number.layout(kBadge);
                const QPointF at(badge.center().x() - number.idealWidth() / 2,
                                 badge.center().y() - number.height() / 2);
                m_texts.append({std::move(number), at, Ink::White, kBadge});
            }
            place(title, left + indent, y + (rowHeight - title.height()) / 2, column - indent, Ink::Primary);
            y += rowHeight;
            for (qsizetype k = 0; k < topic.blocks.size(); ++k) {
                y += k == 0 ? kTitleSpacing : kBlockSpacing;
                y += block(topic.blocks[k], left + indent, y, column - indent);
            }
            m_highlights.append({topic.id, QRectF(left, boxTop, column, y - boxTop)
                                               .adjusted(-kHighlightOutset, -kHighlightOutset,
                                                         kHighlightOutset, kHighlightOutset)});
        }
    }
    rule();
    heading(u"glossary"_s, u"Glossary"_s, std::nullopt);
    for (const Manual::Term& term : Manual::terms()) {
        m_anchors.insert(term.id, y);
        y += kTermTop;
        const qreal boxTop = y;
        y += place(TextBlock(term.term, interFont(14.5, 650)), left, y, column, Ink::Primary);
        y += 2;
        y += place(TextBlock::markdown(term.definition, interFont(14, 360), interFont(14, 600), 2), left, y,
                   column, Ink::Secondary);
        m_highlights.append({term.id, QRectF(left, boxTop, column, y - boxTop)
                                          .adjusted(-kHighlightOutset, -kHighlightOutset, kHighlightOutset,
                                                    kHighlightOutset)});
    }
    y += kFooterTop;
    y += place(TextBlock(footerText(), interFont(12, 400)), left, y, column, Ink::Secondary);
    y += kBottom;
    m_height = std::ceil(y);
    return m_height;
}

std::optional<qreal> ManualDocument::anchorTop(const QString& id) const {
    const auto found = m_anchors.constFind(id);
    if (found == m_anchors.constEnd())
        return std::nullopt;
    return *found;
}

QHash<QString, qreal> ManualDocument::sectionTops() const {
    QHash<QString, qreal> tops;
    for (const QString& id : m_sectionIds)
        if (const auto top = anchorTop(id))
            tops.insert(id, *top);
    return tops;
}

std::optional<QRectF> ManualDocument::highlightRect(const QString& id) const {
    for (const Highlight& highlight : m_highlights)
        if (highlight.id == id)
            return highlight.rect;
    return std::nullopt;
}

std::optional<QString> ManualDocument::linkAt(QPointF point) const {
    for (const Text& text : m_texts) {
        const QRectF bounds(text.at, QSizeF(text.width, text.block.height()));
        if (bounds.contains(point))
            return text.block.linkAt(point - text.at);
    }
    return std::nullopt;
}

void ManualDocument::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutFor(width());
}

void ManualDocument::refreshFrames() {
    if (m_state.flashFading(m_services.now())) {
        if (!m_frames) {
            QPointer<ManualDocument> self(this);
            m_frames = m_services.runtime().every(kFrame, 0, [self] {
                if (self) {
                    self->update();
                    self->refreshFrames();
                }
            });
        }
    } else if (m_frames) {
        m_frames->cancel();
        m_frames.reset();
    }
}

void ManualDocument::paintEvent(QPaintEvent* event) {
    layoutFor(width());
    const Scheme scheme = m_services.scheme();
    const double now = m_services.now();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF exposed = event->rect();
    for (const Highlight& highlight : m_highlights) {
        const double level = m_state.flashLevel(highlight.id, now);
        if (level > 0 && highlight.rect.intersects(exposed))
            RoundedRect{highlight.rect, kBoxRadius}.fill(painter, Theme::accentSoft.resolve(scheme, level));
    }
    for (const Shape& shape : m_shapes) {
        if (!shape.rect.intersects(exposed))
            continue;
        switch (shape.kind) {
        case Box::Rule:
            painter.fillRect(shape.rect, Theme::border.resolve(scheme));
            break;
        case Box::Note: {
            const RoundedRect box{shape.rect, kBoxRadius};
            box.fill(painter, Theme::accentSoft.resolve(scheme));
            box.strokeInside(painter, Theme::accent.resolve(scheme, 0.25), 1);
            break;
        }
        case Box::Table: {
            const RoundedRect box{shape.rect, kBoxRadius};
            box.fill(painter, Theme::card.resolve(scheme));
            box.strokeInside(painter, Theme::border.resolve(scheme), 1);
            break;
        }
        case Box::Badge:
            painter.setPen(Qt::NoPen);
            painter.setBrush(Theme::accentGradientBright.resolve(shape.rect, scheme));
            painter.drawEllipse(shape.rect);
            break;
        }
    }
    const QColor primary = Theme::text.resolve(scheme);
    const QColor secondary = Theme::textSecondary.resolve(scheme);
    const QColor accent = Theme::accent.resolve(scheme);
    for (const Text& text : m_texts) {
        if (!QRectF(text.at, QSizeF(text.width, text.block.height())).intersects(exposed))
            continue;
        const QColor color = text.ink == Ink::Primary     ? primary
                             : text.ink == Ink::Secondary ? secondary
                                                          : Qt::white;
        text.block.paint(painter, text.at, color, accent);
    }
}

void ManualDocument::mouseMoveEvent(QMouseEvent* event) {
    setCursor(linkAt(event->position()) ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QWidget::mouseMoveEvent(event);
}

void ManualDocument::mousePressEvent(QMouseEvent* event) {
    m_pressedLink = event->button() == Qt::LeftButton ? linkAt(event->position()) : std::nullopt;
    QWidget::mousePressEvent(event);
}

void ManualDocument::mouseReleaseEvent(QMouseEvent* event) {
    const auto pressed = std::exchange(m_pressedLink, std::nullopt);
    if (event->button() == Qt::LeftButton && pressed && linkAt(event->position()) == pressed)
        m_state.openLink(*pressed);
    QWidget::mouseReleaseEvent(event);
}

} // namespace tilewick
