#pragma once

#include <QString>
#include <QStringView>

namespace betakit {

// Texts the user sees are measured in user-perceived characters (grapheme clusters): an emoji
// with its modifiers, a letter with its accents or a carriage return with its line feed is one.
class Characters {
public:
    Characters() = delete;

    static qsizetype count(QStringView text);
    // Whether `text` has more than `limit` characters; stops counting there.
    static bool exceeds(QStringView text, qsizetype limit);
    // The first `limit` characters of `text` (all of it when shorter).
    static QString first(const QString& text, qsizetype limit);

    // Line breaks: line feed, vertical tab, form feed, carriage return, next line, line and
    // paragraph separator.
    static bool isLineBreak(char32_t c);
    // Blanks: tab and the space separators.
    static bool isBlank(char32_t c);
    // `text` without blanks at either end.
    static QString trimmedBlanks(QStringView text);
    // `text` without blanks, line breaks or other separators at either end.
    static QString trimmedSpace(QStringView text);
};

} // namespace betakit
