#include "ManualText.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace tilewick::Manual {

QList<qsizetype> graphemeStarts(const QString& text) {
    QList<qsizetype> starts;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = 0; at >= 0 && at < text.size(); at = finder.toNextBoundary())
        starts.append(at);
    return starts;
}

QStringList words(const QString& query) {
    QStringList list;
    QString word;
    const QList<qsizetype> starts = graphemeStarts(query);
    for (qsizetype i = 0; i < starts.size(); ++i) {
        const qsizetype end = i + 1 < starts.size() ? starts[i + 1] : query.size();
        const QStringView character = QStringView(query).sliced(starts[i], end - starts[i]);
        if (QChar::isSpace(character.toUcs4().front())) {
            if (!word.isEmpty())
                list.append(std::exchange(word, {}));
        } else {
            word += character;
        }
    }
    if (!word.isEmpty())
        list.append(word);
    return list;
}

FoldedText fold(const QString& text) {
    FoldedText out{text, {}, {}, {}};
    out.folded.reserve(text.size());
    out.from.reserve(text.size());
    out.to.reserve(text.size());
    const auto add = [&out](QStringView units, qsizetype start, qsizetype end) {
        out.folded += units;
        for (qsizetype k = 0; k < units.size(); ++k) {
            out.from.append(start);
            out.to.append(end);
        }
    };
    for (qsizetype i = 0; i < text.size();) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const qsizetype end = i + (pair ? 2 : 1);
        const char16_t unit = text[i].unicode();
        if (unit < 0x80) {
            const QChar lower = unit >= 'A' && unit <= 'Z' ? QChar(char16_t(unit + 32)) : QChar(unit);
            add(QStringView(&lower, 1), i, end);
        } else {
            const QString decomposed = text.mid(i, end - i).normalized(QString::NormalizationForm_D);
            for (const char32_t c : decomposed.toUcs4()) {
                if (QChar::category(c) == QChar::Mark_NonSpacing)
                    continue;
                // Upper case first for the full mappings ("ß" → "SS"), then folded.
                add(QString::fromUcs4(&c, 1).toUpper().toCaseFolded(), i, end);
            }
        }
        i = end;
    }
    return out;
}

QString folded(const QString& text) {
    return fold(text).folded;
}

std::optional<TextRange> find(const FoldedText& text, const QString& foldedWord, qsizetype from) {
    if (foldedWord.isEmpty())
        return std::nullopt;
    const qsizetype first = std::lower_bound(text.from.begin(), text.from.end(), from) - text.from.begin();
    const qsizetype hit = text.folded.indexOf(foldedWord, first);
    if (hit < 0)
        return std::nullopt;
    TextRange range{text.from[hit], text.to[hit + foldedWord.size() - 1]};
    // A match may begin or end inside a character (a dropped mark, one half of "ß" → "ss").
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.original);
    finder.setPosition(range.start);
    if (!finder.isAtBoundary())
        range.start = finder.toPreviousBoundary();
    finder.setPosition(range.end);
    if (!finder.isAtBoundary())
        range.end = finder.toNextBoundary();
    return range;
}

QString upperCased(const QString& text) {
    // QString's case mapping never consults a locale.
    return text.toUpper();
}

} // namespace tilewick::Manual
