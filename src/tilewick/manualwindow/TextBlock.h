#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QPointF>
#include <QString>
#include <QTextLayout>

#include <memory>
#include <optional>

class QPainter;

namespace tilewick {

// `font` with `tracking` points between letters.
QFont tracked(const QFont& font, qreal tracking);

// Text laid out into a width, the way the manual's views set it: one base font, runs in other
// fonts (strong words, marked words), links, extra space between lines and, when asked, at most a
// number of lines, the last one ending in "…" when the text goes on.
class TextBlock {
public:
    TextBlock() = default;
    // `formats` give runs their fonts; links (anchors) and accented runs draw in the accent colour.
    TextBlock(QString text, const QFont& font, QList<QTextLayout::FormatRange> formats = {},
              qreal lineSpacing = 0, int maxLines = 0);

    // A run in `font` drawn in the accent colour: a marked word.
    static QTextLayout::FormatRange accented(qsizetype start, qsizetype length, const QFont& font);

    // Inline markdown of the manual at the font's size: strong runs in `strongFont`, links.
    static TextBlock markdown(const QString& markdown, const QFont& font, const QFont& strongFont,
                              qreal lineSpacing = 0);

    // Lays the text out `width` wide and returns its height; the same width lays out once.
    qreal layout(qreal width);
    qreal height() const { return m_height; }
    // The width of the widest line once laid out; the text's own width before.
    qreal idealWidth() const;
    qreal firstBaseline() const;
    int lineCount() const;
    const QString& text() const { return m_text; }

    // Draws the text with its top-left corner at `topLeft`: runs without a colour of their own in
    // `color`, links and accented runs in `accent`.
    void paint(QPainter& painter, QPointF topLeft, const QColor& color, const QColor& accent) const;
    // The same with the characters from `start` to `end` selected, on `highlight`.
    void paint(QPainter& painter, QPointF topLeft, const QColor& color, const QColor& accent, qsizetype start,
               qsizetype end, const QColor& highlight) const;
    // The position between characters nearest to `point` (relative to the top-left corner).
    qsizetype positionAt(QPointF point) const;
    // Whether the character at `position` is drawn in the accent colour (a link or a marked word).
    bool isAccented(qsizetype position) const;
    // The destination of the link under `point` (relative to the top-left corner).
    std::optional<QString> linkAt(QPointF point) const;

private:
    void build(const QString& text, qreal width);

    QString m_text;
    QFont m_font;
    QList<QTextLayout::FormatRange> m_formats;
    qreal m_lineSpacing = 0;
    int m_maxLines = 0;
    qreal m_width = -1;
    qreal m_height = 0;
    std::shared_ptr<QTextLayout> m_layout;
    // Where the globe symbol stands in the laid-out text.
    QList<qsizetype> m_globes;
};

} // namespace tilewick
