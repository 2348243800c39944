#include "Characters.h"

#include <QChar>
#include <QTextBoundaryFinder>

namespace betakit {

namespace {

// The end of the first `limit` characters, or -1 when the text has no more than `limit`.
qsizetype endOfFirst(QStringView text, qsizetype limit) {
    // Every character takes at least one code unit.
    if (text.size() <= limit)
        return -1;
    if (limit <= 0)
        return 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.data(), text.size());
    qsizetype seen = 0;
    for (qsizetype at = finder.toNextBoundary(); at != -1; at = finder.toNextBoundary()) {
        if (++seen == limit)
            return at == text.size() ? -1 : at;
    }
    return -1;
}

bool isSeparatorOrBreak(char32_t c) {
    const auto category = QChar::category(c);
    return Characters::isBlank(c) || Characters::isLineBreak(c) || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph;
}

// The code point that ends just before `end`.
char32_t codePointBefore(QStringView text, qsizetype end, qsizetype& start) {
    start = end - 1;
    if (start > 0 && text[start].isLowSurrogate() && text[start - 1].isHighSurrogate()) {
        --start;
        return QChar::surrogateToUcs4(text[start], text[start + 1]);
    }
    return text[start].unicode();
}

template <typename Predicate> QString trimmed(QStringView text, Predicate strip) {
    qsizetype begin = 0;
    while (begin < text.size()) {
        const bool pair =
            begin + 1 < text.size() && text[begin].isHighSurrogate() && text[begin + 1].isLowSurrogate();
        const char32_t c =
            pair ? QChar::surrogateToUcs4(text[begin], text[begin + 1]) : text[begin].unicode();
        if (!strip(c))
            break;
        begin += pair ? 2 : 1;
    }
    qsizetype end = text.size();
    while (end > begin) {
        qsizetype start = 0;
        if (!strip(codePointBefore(text, end, start)))
            break;
        end = start;
    }
    return text.sliced(begin, end - begin).toString();
}

} // namespace

qsizetype Characters::count(QStringView text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.data(), text.size());
    qsizetype n = 0;
    while (finder.toNextBoundary() != -1)
        ++n;
    return n;
}

bool Characters::exceeds(QStringView text, qsizetype limit) {
    return endOfFirst(text, limit) != -1;
}

QString Characters::first(const QString& text, qsizetype limit) {
    const qsizetype end = endOfFirst(text, limit);
    return end == -1 ? text : text.first(end);
}

bool Characters::isLineBreak(char32_t c) {
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool Characters::isBlank(char32_t c) {
    return c == u'\t' || QChar::category(c) == QChar::Separator_Space;
}

QString Characters::trimmedBlanks(QStringView text) {
    return trimmed(text, [](char32_t c) { return isBlank(c); });
}

QString Characters::trimmedSpace(QStringView text) {
    return trimmed(text, isSeparatorOrBreak);
}

} // namespace betakit
