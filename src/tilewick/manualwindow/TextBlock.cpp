#include "TextBlock.h"

#include "tilewick/manual/InlineMarkdown.h"
#include "tilewick/manual/ManualText.h"
#include "tilewick/visuals/Symbols.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextCharFormat>

#include <algorithm>
#include <cmath>

namespace tilewick {

namespace {

constexpr QChar kEllipsis = QChar(0x2026);
// The globe key's emoji has no glyph in the fonts we ship: the text keeps its place with an em
// space (and a word joiner, so offsets stay the same) and the globe symbol is drawn there.
const QString& globeEmoji() {
    static const QString emoji = QString::fromUcs4(U"\U0001F310");
    return emoji;
}
const QString& globeStandIn() {
    static const QString standIn = QStringLiteral("\u2003\u2060");
    return standIn;
}

// Marks a run to be drawn in the accent colour.
constexpr int kAccentProperty = QTextFormat::UserProperty;

} // namespace

QFont tracked(const QFont& font, qreal tracking) {
    QFont result = font;
    result.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    return result;
}

TextBlock::TextBlock(QString text, const QFont& font, QList<QTextLayout::FormatRange> formats,
                     qreal lineSpacing, int maxLines)
    : m_text(std::move(text)), m_font(font), m_formats(std::move(formats)), m_lineSpacing(lineSpacing),
      m_maxLines(maxLines) {}

QTextLayout::FormatRange TextBlock::accented(qsizetype start, qsizetype length, const QFont& font) {
    QTextCharFormat format;
    format.setFont(font);
    format.setProperty(kAccentProperty, true);
    return {int(start), int(length), format};
}

TextBlock TextBlock::markdown(const QString& markdown, const QFont& font, const QFont& strongFont,
                              qreal lineSpacing) {
    Manual::StyledText styled = Manual::styledText(markdown, strongFont);
    return TextBlock(std::move(styled.text), font, std::move(styled.formats), lineSpacing);
}

void TextBlock::build(const QString& written, qreal width) {
    QString text = written;
    m_globes.clear();
    for (qsizetype at = text.indexOf(globeEmoji()); at >= 0; at = text.indexOf(globeEmoji(), at + 2)) {
        m_globes.append(at);
        text.replace(at, globeEmoji().size(), globeStandIn());
    }
    m_layout = std::make_shared<QTextLayout>(text, m_font);
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_layout->setTextOption(option);
    QList<QTextLayout::FormatRange> formats;
    for (const QTextLayout::FormatRange& range : m_formats)
        if (range.start < text.size())
            formats.append(
                {range.start, std::min<int>(range.length, int(text.size()) - range.start), range.format});
    m_layout->setFormats(formats);
    m_layout->beginLayout();
    qreal y = 0;
    for (;;) {
        QTextLine line = m_layout->createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        if (m_layout->lineCount() > 1)
            y += m_lineSpacing;
        line.setPosition({0, y});
        y += line.height();
    }
    m_layout->endLayout();
    m_height = std::ceil(y);
}

qreal TextBlock::layout(qreal width) {
    width = std::max<qreal>(width, 1);
    if (m_layout && width == m_width)
        return m_height;
    m_width = width;
    build(m_text, width);
    if (m_maxLines <= 0 || m_layout->lineCount() <= m_maxLines)
        return m_height;
    // Too long: the longest start of the text that, with an ellipsis, keeps to the line limit.
    const QTextLine last = m_layout->lineAt(m_maxLines - 1);
    const QList<qsizetype> starts = Manual::graphemeStarts(m_text);
    auto cut =
        std::upper_bound(starts.begin(), starts.end(), qsizetype(last.textStart() + last.textLength()));
    while (cut != starts.begin()) {
        --cut;
        build(m_text.left(*cut).trimmed() + kEllipsis, width);
        if (m_layout->lineCount() <= m_maxLines)
            return m_height;
    }
    build(QString(kEllipsis), width);
    return m_height;
}

qreal TextBlock::idealWidth() const {
    if (!m_layout) {
        TextBlock copy = *this;
        copy.layout(1e6);
        return copy.idealWidth();
    }
    qreal widest = 0;
    for (int i = 0; i < m_layout->lineCount(); ++i)
        widest = std::max(widest, m_layout->lineAt(i).naturalTextWidth());
    return std::ceil(widest);
}

qreal TextBlock::firstBaseline() const {
    if (!m_layout || m_layout->lineCount() == 0)
        return 0;
    const QTextLine line = m_layout->lineAt(0);
    return line.y() + line.ascent();
}

int TextBlock::lineCount() const {
    return m_layout ? m_layout->lineCount() : 0;
}

void TextBlock::paint(QPainter& painter, QPointF topLeft, const QColor& color, const QColor& accent) const {
    paint(painter, topLeft, color, accent, 0, 0, {});
}

void TextBlock::paint(QPainter& painter, QPointF topLeft, const QColor& color, const QColor& accent,
                      qsizetype start, qsizetype end, const QColor& highlight) const {
    if (!m_layout)
        return;
    QList<QTextLayout::FormatRange> colours;
    for (const QTextLayout::FormatRange& range : m_layout->formats()) {
        if (!range.format.isAnchor() && !range.format.boolProperty(kAccentProperty))
            continue;
        QTextLayout::FormatRange accented{range.start, range.length, {}};
        accented.format.setForeground(accent);
        colours.append(accented);
    }
    if (end > start) {
        QTextLayout::FormatRange selected{int(start), int(end - start), {}};
        selected.format.setBackground(highlight);
        colours.append(selected);
    }
    painter.save();
    painter.setPen(color);
    m_layout->draw(&painter, topLeft, colours);
    const QFontMetricsF metrics(m_font);
    for (const qsizetype at : m_globes) {
        for (int i = 0; i < m_layout->lineCount(); ++i) {
            const QTextLine line = m_layout->lineAt(i);
            if (at < line.textStart() || at >= line.textStart() + line.textLength())
                continue;
            const qreal left = line.cursorToX(int(at));
            const qreal right = line.cursorToX(int(at) + 1);
            const QPointF centre(topLeft.x() + (left + right) / 2,
                                 topLeft.y() + line.y() + line.ascent() - metrics.capHeight() / 2);
            Symbols::paint(painter, QStringLiteral("globe"), centre, metrics.ascent() * 1.1, color);
            break;
        }
    }
    painter.restore();
}

qsizetype TextBlock::positionAt(QPointF point) const {
    if (!m_layout || m_layout->lineCount() == 0)
        return 0;
    for (int i = 0; i < m_layout->lineCount(); ++i) {
        const QTextLine line = m_layout->lineAt(i);
        if (point.y() < line.y() + line.height() || i == m_layout->lineCount() - 1)
            return line.xToCursor(point.x(), QTextLine::CursorBetweenCharacters);
    }
    return m_text.size();
}

bool TextBlock::isAccented(qsizetype position) const {
    for (const QTextLayout::FormatRange& range : m_formats)
        if ((range.format.isAnchor() || range.format.boolProperty(kAccentProperty)) &&
            position >= range.start && position < range.start + range.length)
            return true;
    return false;
}

std::optional<QString> TextBlock::linkAt(QPointF point) const {
    if (!m_layout)
        return std::nullopt;
    for (int i = 0; i < m_layout->lineCount(); ++i) {
        const QTextLine line = m_layout->lineAt(i);
        if (point.y() < line.y() || point.y() >= line.y() + line.height())
            continue;
        if (point.x() < 0 || point.x() > line.naturalTextWidth())
            return std::nullopt;
        const int position = line.xToCursor(point.x(), QTextLine::CursorOnCharacter);
        for (const QTextLayout::FormatRange& range : m_layout->formats())
            if (range.format.isAnchor() && position >= range.start && position < range.start + range.length)
                return range.format.anchorHref();
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace tilewick
