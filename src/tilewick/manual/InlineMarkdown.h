#pragma once

#include <QFont>
#include <QList>
#include <QString>
#include <QTextLayout>

#include <optional>

// The manual's inline markdown: strong (** or __), emphasis (* or _), code spans, inline links
// [label](destination "title") and backslash escapes, read with the usual emphasis and link rules.
// There are no blocks: line breaks and runs of spaces stay as written.
namespace tilewick::Manual {

struct Run {
    qsizetype start = 0;
    qsizetype length = 0;
    bool strong = false;
    bool emphasis = false;
    bool code = false;
    std::optional<QString> link; // the destination as written, escapes resolved

    bool sameStyle(const Run& other) const {
        return strong == other.strong && emphasis == other.emphasis && code == other.code &&
               link == other.link;
    }
};

// Text without markup, and the runs that cover it in order; neighbouring runs differ in style.
struct AttributedText {
    QString text;
    QList<Run> runs;
};

// Reads `markdown`. Only text that is no valid Unicode (an unpaired surrogate, that is invalid
// UTF-8 once written out) fails; it then comes back whole as one plain run, markup included.
std::optional<AttributedText> parseInline(const QString& markdown);
AttributedText attributed(const QString& markdown);

// The characters of `attributed`: markup dropped, link labels and escaped characters kept.
QString plain(const QString& markdown);

// Text for display: strong runs in `strongFont` (the view passes its semibold face); links carry
// their destination as an anchor; every other run keeps the view's own font.
struct StyledText {
    QString text;
    QList<QTextLayout::FormatRange> formats;
};
StyledText styledText(const QString& markdown, const QFont& strongFont);

} // namespace tilewick::Manual
