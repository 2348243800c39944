#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Text rules of the manual's search: words, user-perceived characters, and matching that ignores
// case and diacritics without any locale.
namespace tilewick::Manual {

// The pieces of `query` between whitespace (any Unicode White_Space character starting a
// user-perceived character), empty pieces dropped, order and case kept.
QStringList words(const QString& query);

// Start offsets (UTF-16) of the user-perceived characters of `text`, in order.
QList<qsizetype> graphemeStarts(const QString& text);

// `text` in its matching form: each character decomposed, combining marks dropped, case folded,
// with the original range every folded unit comes from.
struct FoldedText {
    QString original;
    QString folded;
    QList<qsizetype> from; // per folded unit: start of its source character in `original`
    QList<qsizetype> to;   // per folded unit: end of its source character in `original`
};
FoldedText fold(const QString& text);

// The matching form alone, for words and for texts searched without positions.
QString folded(const QString& text);

struct TextRange {
    qsizetype start = 0;
    qsizetype end = 0;
    bool operator==(const TextRange&) const = default;
};

// The first occurrence of `foldedWord` (from `folded`) in `text` that starts at or after
// `from`, widened to whole user-perceived characters of the original. An empty word occurs nowhere.
std::optional<TextRange> find(const FoldedText& text, const QString& foldedWord, qsizetype from = 0);

// Upper case by the Unicode default mapping, the same in every locale ("ß" gives "SS").
QString upperCased(const QString& text);

} // namespace tilewick::Manual
