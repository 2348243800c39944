#include "tilewick/manual/InlineMarkdown.h"
#include "tilewick/visuals/InterFont.h"

#include <gtest/gtest.h>

using namespace tilewick::Manual;
using namespace Qt::StringLiterals;

namespace {

// Runs as "flags'text'" joined by "|": s strong, e emphasis, c code, >destination a link.
QString describe(const AttributedText& text) {
    QStringList runs;
    for (const Run& run : text.runs) {
        QString flags;
        if (run.strong)
            flags += u's';
        if (run.emphasis)
            flags += u'e';
        if (run.code)
            flags += u'c';
        if (run.link)
            flags += u'>' + *run.link;
        runs.append(flags + u'\'' + text.text.mid(run.start, run.length) + u'\'');
    }
    return runs.join(u'|');
}

struct MarkdownCase {
    const char* markdown;
    const char* runs;
};

TEST(InlineMarkdownTest, ReadsRunsWithTheEmphasisAndLinkRules) {
    const MarkdownCase cases[] = {
        {"", ""},
        {"plain  text\n  kept", "'plain  text\n  kept'"},
        {"**C** centres", "s'C'|' centres'"},
        {"*a* and _b_", "e'a'|' and '|e'b'"},
        {"***both***", "se'both'"},
        {"**bold *and italic* bold**", "s'bold '|se'and italic'|s' bold'"},
        {"*italic **and bold** italic*", "e'italic '|se'and bold'|e' italic'"},
        // Unbalanced delimiters stay as text.
        {"**open only", "'**open only'"},
        {"close** only", "'close** only'"},
        {"***a**", "'*'|s'a'"},
        {"**a***", "s'a'|'*'"},
        {"a * b * c", "'a * b * c'"},
        {"snake_case_name", "'snake_case_name'"},
        {"2*3*4", "'2'|e'3'|'4'"},
        // Escapes.
        {"**\\[** **\\]** **\\\\**", "s'['|' '|s']'|' '|s'\\'"},
        {"\\*not\\* \\q", "'*not* \\q'"},
        // Code spans keep their content.
        {"use `**x**` here", "'use '|c'**x**'|' here'"},
        {"`` a`b ``", "c'a`b'"},
        {"`open", "'`open'"},
        // Links.
        {"see [Shortcuts](#shortcuts).", "'see '|>#shortcuts'Shortcuts'|'.'"},
        {"[**bold** link](search:x)", "s>search:x'bold'|>search:x' link'"},
        {"[a](<b c> \"title\")", ">b c'a'"},
        {"[a](x(y)z)", ">x(y)z'a'"},
        {"[outer [inner](#i) text](#o)", "'[outer '|>#i'inner'|' text](#o)'"},
        {"[no destination]", "'[no destination]'"},
        {"[unclosed](#a", "'[unclosed](#a'"},
        {"**[bold](#x) run**", "s>#x'bold'|s' run'"},
        {"*[a](#x)*b*", "'*'|>#x'a'|e'b'"},
    };
    for (const MarkdownCase& c : cases) {
        const auto parsed = parseInline(QString::fromUtf8(c.markdown));
        ASSERT_TRUE(parsed) << c.markdown;
        EXPECT_EQ(describe(*parsed).toStdString(), c.runs) << c.markdown;
    }
}

TEST(InlineMarkdownTest, TextThatIsNoValidUnicodeStaysRaw) {
    const QString raw = u"**C** [x](#y) "_s + QChar(0xD800);
    EXPECT_FALSE(parseInline(raw));
    EXPECT_EQ(plain(raw), raw);
    const StyledText styled = styledText(raw, tilewick::interFont(13, 600));
    EXPECT_EQ(styled.text, raw);
    EXPECT_TRUE(styled.formats.isEmpty());
}

TEST(InlineMarkdownTest, StyledTextSetsTheSemiboldFontOnStrongRunsAndKeepsLinks) {
    const StyledText styled = styledText(u"a [**b** c](#x)"_s, tilewick::interFont(13, 600));
    EXPECT_EQ(styled.text, u"a b c"_s);
    ASSERT_EQ(styled.formats.size(), 2);
    const auto& bold = styled.formats[0];
    EXPECT_EQ(std::pair(bold.start, bold.length), std::pair(2, 1));
    EXPECT_EQ(bold.format.font(), tilewick::interFont(13, 600));
    EXPECT_EQ(bold.format.anchorHref(), u"#x"_s);
    const auto& link = styled.formats[1];
    EXPECT_EQ(std::pair(link.start, link.length), std::pair(3, 2));
    EXPECT_EQ(link.format.anchorHref(), u"#x"_s);
    EXPECT_FALSE(link.format.hasProperty(QTextFormat::FontFamilies));
}

} // namespace
