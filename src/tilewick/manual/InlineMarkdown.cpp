#include "InlineMarkdown.h"

#include <QTextCharFormat>

#include <list>
#include <vector>

namespace tilewick::Manual {

using namespace Qt::StringLiterals;

namespace {

bool isAsciiPunctuation(QChar c) {
    const char16_t u = c.unicode();
    return (u >= '!' && u <= '/') || (u >= ':' && u <= '@') || (u >= '[' && u <= '`') ||
           (u >= '{' && u <= '~');
}

// Start and end of the text count as whitespace for the emphasis rules.
char32_t codePointBefore(const QString& s, qsizetype i) {
    if (i <= 0)
        return U' ';
    if (i >= 2 && s[i - 1].isLowSurrogate() && s[i - 2].isHighSurrogate())
        return QChar::surrogateToUcs4(s[i - 2], s[i - 1]);
    return s[i - 1].unicode();
}

char32_t codePointAt(const QString& s, qsizetype i) {
    if (i >= s.size())
        return U' ';
    if (i + 1 < s.size() && s[i].isHighSurrogate() && s[i + 1].isLowSurrogate())
        return QChar::surrogateToUcs4(s[i], s[i + 1]);
    return s[i].unicode();
}

bool isPunctuation(char32_t c) {
    return (c < 0x80 && isAsciiPunctuation(QChar(char16_t(c)))) || QChar::isPunct(c) || QChar::isSymbol(c);
}

// A piece of the text, or the start or end of a style. Styles nest properly by construction.
struct Item {
    enum class Kind { Text, Code, Open, Close };
    enum class Style { Strong, Emphasis, Link };
    Kind kind = Kind::Text;
    QString text;
    Style style = Style::Strong;
    QString destination;
};
using Items = std::list<Item>;

// A run of * or _ that may open or close emphasis; its text is the item `node`.
struct Delimiter {
    Items::iterator node;
    QChar character;
    int count = 0;
    int original = 0;
    bool canOpen = false;
    bool canClose = false;
};

struct Bracket {
    Items::iterator node;
    std::size_t delimiterBottom = 0;
    bool active = true;
};

class InlineParser {
public:
    explicit InlineParser(const QString& source) : m_s(source) {}

    Items parse() {
        qsizetype i = 0;
        while (i < m_s.size()) {
            const QChar c = m_s[i];
            if (c == u'\\' && i + 1 < m_s.size() && isAsciiPunctuation(m_s[i + 1])) {
                m_pending += m_s[i + 1];
                i += 2;
            } else if (c == u'`') {
                i = codeSpan(i);
            } else if (c == u'*' || c == u'_') {
                i = delimiterRun(i);
            } else if (c == u'[') {
                m_brackets.push_back({addText(u"["_s), m_delimiters.size()});
                ++i;
            } else if (c == u']') {
                i = closeBracket(i);
            } else {
                m_pending += c;
                ++i;
            }
        }
        flush();
        processEmphasis(0);
        return std::move(m_items);
    }

private:
    void flush() {
        if (m_pending.isEmpty())
            return;
        m_items.push_back({Item::Kind::Text, m_pending});
        m_pending.clear();
    }

    Items::iterator addText(const QString& text) {
        flush();
        m_items.push_back({Item::Kind::Text, text});
        return std::prev(m_items.end());
    }

    qsizetype runEnd(qsizetype i, QChar c) const {
        while (i < m_s.size() && m_s[i] == c)
            ++i;
        return i;
    }

    // A backtick run opens a code span when a run of the same length closes it later on.
    qsizetype codeSpan(qsizetype start) {
        const qsizetype afterOpen = runEnd(start, u'`');
        const qsizetype length = afterOpen - start;
        for (qsizetype j = afterOpen; j < m_s.size();) {
            if (m_s[j] != u'`') {
                ++j;
                continue;
            }
            const qsizetype end = runEnd(j, u'`');
            if (end - j == length) {
                QString content = m_s.mid(afterOpen, j - afterOpen);
                if (content.size() >= 2 && content.front() == u' ' && content.back() == u' ' &&
                    !content.trimmed().isEmpty())
                    content = content.mid(1, content.size() - 2);
                flush();
                m_items.push_back({Item::Kind::Code, content});
                return end;
            }
            j = end;
        }
        m_pending += m_s.mid(start, length);
        return afterOpen;
    }

    qsizetype delimiterRun(qsizetype start) {
        const QChar c = m_s[start];
        const qsizetype end = runEnd(start, c);
        const char32_t before = codePointBefore(m_s, start);
        const char32_t after = codePointAt(m_s, end);
        const bool spaceBefore = QChar::isSpace(before), spaceAfter = QChar::isSpace(after);
        const bool punctBefore = isPunctuation(before), punctAfter = isPunctuation(after);
        const bool leftFlanking = !spaceAfter && (!punctAfter || spaceBefore || punctBefore);
        const bool rightFlanking = !spaceBefore && (!punctBefore || spaceAfter || punctAfter);
        Delimiter d{addText(m_s.mid(start, end - start)), c, int(end - start), int(end - start)};
        if (c == u'*') {
            d.canOpen = leftFlanking;
            d.canClose = rightFlanking;
        } else {
            d.canOpen = leftFlanking && (!rightFlanking || punctBefore);
            d.canClose = rightFlanking && (!leftFlanking || punctAfter);
        }
        m_delimiters.push_back(d);
        return end;
    }

    qsizetype closeBracket(qsizetype at) {
        if (m_brackets.empty()) {
            m_pending += u']';
            return at + 1;
        }
        const Bracket opener = m_brackets.back();
        m_brackets.pop_back();
        QString destination;
        const qsizetype end = opener.active ? linkTail(at + 1, destination) : -1;
        if (end < 0) {
            m_pending += u']';
            return at + 1;
        }
        flush();
        processEmphasis(opener.delimiterBottom);
        opener.node->text.clear();
        m_items.insert(std::next(opener.node), {Item::Kind::Open, {}, Item::Style::Link, destination});
        m_items.push_back({Item::Kind::Close, {}, Item::Style::Link});
        // No link inside a link.
        for (Bracket& earlier : m_brackets)
            earlier.active = false;
        return end;
    }

    qsizetype skipSpaces(qsizetype i) const {
        while (i < m_s.size() && (m_s[i] == u' ' || m_s[i] == u'\t' || m_s[i] == u'\n'))
            ++i;
        return i;
    }

    // "(destination "title")" from `i`; the index after it, or -1 when there is none.
    qsizetype linkTail(qsizetype i, QString& destination) const {
        if (i >= m_s.size() || m_s[i] != u'(')
            return -1;
        i = skipSpaces(i + 1);
        if (i < m_s.size() && m_s[i] == u'<') {
            for (++i;; ++i) {
                if (i >= m_s.size() || m_s[i] == u'\n' || m_s[i] == u'<')
                    return -1;
                if (m_s[i] == u'>')
                    break;
                if (m_s[i] == u'\\' && i + 1 < m_s.size() && isAsciiPunctuation(m_s[i + 1]))
                    ++i;
                destination += m_s[i];
            }
            ++i;
        } else {
            int depth = 0;
            for (; i < m_s.size(); ++i) {
                const QChar c = m_s[i];
                if (c.unicode() <= 0x20 || c.unicode() == 0x7f)
                    break;
                if (c == u'\\' && i + 1 < m_s.size() && isAsciiPunctuation(m_s[i + 1])) {
                    destination += m_s[++i];
                    continue;
                }
                if (c == u'(')
                    ++depth;
                if (c == u')' && depth-- == 0)
                    break;
                destination += c;
            }
            if (depth > 0)
                return -1;
        }
        const qsizetype afterDestination = i;
        i = skipSpaces(i);
        if (i > afterDestination && i < m_s.size() && QStringView(u"\"'(").contains(m_s[i])) {
            const QChar close = m_s[i] == u'(' ? u')' : m_s[i];
            for (++i; i < m_s.size() && m_s[i] != close; ++i)
                if (m_s[i] == u'\\' && i + 1 < m_s.size())
                    ++i;
            if (i >= m_s.size())
                return -1;
            i = skipSpaces(i + 1);
        }
        if (i >= m_s.size() || m_s[i] != u')')
            return -1;
        return i + 1;
    }

    // Pairs the delimiters above `bottom` into emphasis and strong emphasis, then drops them all.
    void processEmphasis(std::size_t bottom) {
        std::size_t ci = bottom;
        while (ci < m_delimiters.size()) {
            Delimiter& closer = m_delimiters[ci];
            if (!closer.canClose) {
                ++ci;
                continue;
            }
            std::size_t found = ci;
            for (std::size_t oi = ci; oi-- > bottom;) {
                const Delimiter& opener = m_delimiters[oi];
                if (opener.character != closer.character || !opener.canOpen)
                    continue;
                // A run that can both open and close pairs only when the lengths allow it.
                const bool oddMatch = (opener.canClose || closer.canOpen) &&
                                      (opener.original + closer.original) % 3 == 0 &&
                                      !(opener.original % 3 == 0 && closer.original % 3 == 0);
                if (!oddMatch) {
                    found = oi;
                    break;
                }
            }
            if (found == ci) {
                if (closer.canOpen)
                    ++ci;
                else
                    m_delimiters.erase(m_delimiters.begin() + ci);
                continue;
            }
            Delimiter& opener = m_delimiters[found];
            const int use = opener.count >= 2 && closer.count >= 2 ? 2 : 1;
            const Item::Style style = use == 2 ? Item::Style::Strong : Item::Style::Emphasis;
            opener.count -= use;
            opener.node->text.chop(use);
            closer.count -= use;
            closer.node->text.remove(0, use);
            m_items.insert(std::next(opener.node), {Item::Kind::Open, {}, style});
            m_items.insert(closer.node, {Item::Kind::Close, {}, style});
            m_delimiters.erase(m_delimiters.begin() + found + 1, m_delimiters.begin() + ci);
            ci = found + 1;
            if (m_delimiters[found].count == 0) {
                m_delimiters.erase(m_delimiters.begin() + found);
                --ci;
            }
            if (m_delimiters[ci].count == 0)
                m_delimiters.erase(m_delimiters.begin() + ci);
        }
        m_delimiters.erase(m_delimiters.begin() + bottom, m_delimiters.end());
    }

    const QString& m_s;
    QString m_pending;
    Items m_items;
    std::vector<Delimiter> m_delimiters;
    std::vector<Bracket> m_brackets;
};

AttributedText flatten(const Items& items) {
    AttributedText out;
    int strong = 0, emphasis = 0;
    QList<QString> links;
    for (const Item& item : items) {
        const int step = item.kind == Item::Kind::Open ? 1 : -1;
        switch (item.kind) {
        case Item::Kind::Open:
        case Item::Kind::Close:
            if (item.style == Item::Style::Strong)
                strong += step;
            else if (item.style == Item::Style::Emphasis)
                emphasis += step;
            else if (step > 0)
                links.append(item.destination);
            else
                links.removeLast();
            break;
        case Item::Kind::Text:
        case Item::Kind::Code: {
            if (item.text.isEmpty())
                break;
            Run run{out.text.size(), item.text.size(), strong > 0, emphasis > 0,
                    item.kind == Item::Kind::Code};
            if (!links.isEmpty())
                run.link = links.last();
            out.text += item.text;
            if (!out.runs.isEmpty() && out.runs.last().sameStyle(run))
                out.runs.last().length += run.length;
            else
                out.runs.append(run);
            break;
        }
        }
    }
    return out;
}

} // namespace

std::optional<AttributedText> parseInline(const QString& markdown) {
    if (!markdown.isValidUtf16())
        return std::nullopt;
    return flatten(InlineParser(markdown).parse());
}

AttributedText attributed(const QString& markdown) {
    if (auto parsed = parseInline(markdown))
        return *std::move(parsed);
    AttributedText raw{markdown, {}};
    if (!markdown.isEmpty())
        raw.runs.append(Run{0, markdown.size()});
    return raw;
}

QString plain(const QString& markdown) {
    return attributed(markdown).text;
}

StyledText styledText(const QString& markdown, const QFont& strongFont) {
    AttributedText parsed = attributed(markdown);
    StyledText out{std::move(parsed.text), {}};
    for (const Run& run : parsed.runs) {
        if (!run.strong && !run.link)
            continue;
        QTextCharFormat format;
        if (run.strong)
            format.setFont(strongFont);
        if (run.link) {
            format.setAnchor(true);
            format.setAnchorHref(*run.link);
        }
        out.formats.append({int(run.start), int(run.length), format});
    }
    return out;
}

} // namespace tilewick::Manual
