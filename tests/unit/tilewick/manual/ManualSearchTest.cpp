#include "tilewick/manual/ManualSearch.h"
#include "tilewick/manual/ManualText.h"

#include <gtest/gtest.h>

#include <QLocale>

using namespace tilewick::Manual;
using namespace Qt::StringLiterals;

namespace {

QStringList ids(const QList<Entry>& list) {
    QStringList result;
    for (const Entry& entry : list)
        result.append(entry.id);
    return result;
}

TEST(ManualSearchTest, TheIndexHasARowPerTopicLeadAndTerm) {
    const QList<Entry>& index = entries();
    EXPECT_EQ(
        ids(index).join(u' '),
        u"start-allow start-snap start-change keys multi-window default-app-snaps modifiers background "
        u"not-working updates shortcuts default-hotkeys term-accessibility term-default-app-snaps "
        u"term-floating-keyboard term-globe term-hotkey term-layout term-modifiers term-multi-window"_s);
    EXPECT_EQ(index[10], (Entry{u"shortcuts"_s, u"Shortcuts"_s, u"Shortcuts"_s,
                                u"The hotkeys Tilewick starts with, all with ⌥⌘."_s}));
    EXPECT_EQ(index[3].text,
              u"C centres a window, F focuses on it and minimises the rest, Z undoes a move and X "
              u"redoes it. < and > move a window to another display. Every key is in Shortcuts."_s);
    EXPECT_TRUE(index[9].text.endsWith(u"or email beta@veldorpellrath.example."_s));
    EXPECT_TRUE(index[11].text.startsWith(u"General: C centre · < previous display · "_s));
    EXPECT_TRUE(index[11].text.contains(u". Halves: ← left · → right. Two-Thirds: "_s));
    EXPECT_TRUE(index[11].text.contains(u"Sixths: P [ ] across the top · ; ' \\ across the bottom."_s));
    EXPECT_TRUE(index[11].text.endsWith(u"Multi-window: Hold 🌐 too, then any layout key."_s));
    EXPECT_EQ(index[12].kicker, u"Glossary"_s);
}

TEST(ManualSearchTest, BuildsRowsFromAnyContent) {
    const QList<Part> parts{Part{
        u"p"_s,
        u"P"_s,
        u"**Lead**"_s,
        false,
        {Topic{u"empty"_s, u"Empty"_s, {}},
         Topic{u"mixed"_s, u"Mixed"_s, {Block::text(u"a"_s), Block::table({}), Block::note(u"*b*"_s)}},
         Topic{u"only-table"_s, u"Only table"_s, {Block::table({})}},
         Topic{u"labels"_s, u"Labels"_s, {Block::table({{u"**L**"_s, u"**x** y"_s}, {u"M"_s, u""_s}})}}}}};
    const QList<Entry> rows = entriesOf(parts, {Term{u"term-t"_s, u"T"_s, u"[d](#p)"_s}});
    const QStringList texts{u"Lead"_s, u""_s, u"a  b"_s, u""_s, u"**L**: x y. M: ."_s, u"d"_s};
    ASSERT_EQ(rows.size(), texts.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i].text, texts[i]) << i;
    EXPECT_EQ(rows[0].title, u"P"_s);
    EXPECT_EQ(rows[5].kicker, u"Glossary"_s);
}

TEST(ManualSearchTest, SplitsQueriesAtWhiteSpaceOnly) {
    const std::pair<QString, QStringList> cases[] = {
        {u""_s, {}},
        {u" \n\t\r\n "_s, {}},
        {u"  Undo   redo "_s, {u"Undo"_s, u"redo"_s}},
        {u"a\u00A0b\u3000c\u2028d\u0085e"_s, {u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s}},
        // Not White_Space: a zero-width space, punctuation.
        {u"a\u200Bb, c."_s, {u"a\u200Bb,"_s, u"c."_s}},
        {u"cafe\u0301 👩‍👩‍👧"_s, {u"cafe\u0301"_s, u"👩‍👩‍👧"_s}},
    };
    for (const auto& [query, expected] : cases)
        EXPECT_EQ(words(query), expected) << query.toStdString();
}

TEST(ManualSearchTest, FindsEveryWordIgnoringCaseAndDiacriticsTitleHitsFirst) {
    const std::pair<QString, QStringList> cases[] = {
        {u""_s, {}},
        {u"  \n "_s, {}},
        // A title hit comes before an earlier row that holds a word only in its text.
        {u"DEFAULT SNAP"_s, {u"term-default-app-snaps"_s, u"default-app-snaps"_s}},
        {u"shortcuts"_s, {u"shortcuts"_s, u"keys"_s}},
        {u"séttings"_s, {u"start-allow"_s, u"term-accessibility"_s}},
        {u"SE\u0301TTINGS"_s, {u"start-allow"_s, u"term-accessibility"_s}},
        {u"Floating KEYBOARD"_s, {u"term-floating-keyboard"_s, u"start-snap"_s}},
        {u"⌥⌘ panel"_s, {u"modifiers"_s}},
        // Kickers are not searched; every word must occur.
        {u"glossary"_s, {}},
        {u"undo nothing-like-this"_s, {}},
        // A word that is only a combining mark matches nothing.
        {u"\u0301"_s, {}},
    };
    for (const auto& [query, expected] : cases)
        EXPECT_EQ(ids(search(query)), expected) << query.toStdString();
}

TEST(ManualSearchTest, MapsMatchesBackToWholeCharactersOfTheOriginal) {
    const FoldedText text = fold(u"Ça de\u0301ja\u0300 Straße 👍🏽ok"_s);
    EXPECT_EQ(find(text, folded(u"ca"_s)), (TextRange{0, 2}));
    EXPECT_EQ(find(text, folded(u"DÉJÀ"_s)), (TextRange{3, 9}));
    EXPECT_EQ(find(text, folded(u"e"_s), 5), (TextRange{15, 16}));
    EXPECT_EQ(find(text, folded(u"STRASSE"_s)), (TextRange{10, 16}));
    // Half of "ß" → "ss" widens to the whole letter.
    EXPECT_EQ(find(text, folded(u"s"_s), 11), (TextRange{14, 15}));
    EXPECT_EQ(find(text, folded(u"ok"_s)), (TextRange{21, 23}));
    EXPECT_FALSE(find(text, folded(u"ca"_s), 1));
    EXPECT_FALSE(find(text, u""_s));
}

TEST(ManualSearchTest, SnippetsStartNearTheEarliestWordAtWholeCharacters) {
    const auto repeat = [](const QString& piece, int times) { return piece.repeated(times); };
    const QString accented = u"e\u0301"_s;
    const QString family = u"👩‍👩‍👧"_s;
    struct SnippetCase {
        QString text;
        QStringList words;
        QString expected;
    };
    const SnippetCase cases[] = {
        // The 71-character threshold, counted in user-perceived characters.
        {repeat(accented, 70) + u"word"_s, {u"WORD"_s}, repeat(accented, 70) + u"word"_s},
        {repeat(accented, 71) + u"word"_s, {u"word"_s}, u"…"_s + repeat(accented, 50) + u"word"_s},
        {repeat(family, 80) + u"x"_s, {u"x"_s}, u"…"_s + repeat(family, 50) + u"x"_s},
        // After the first space of the 50 characters before the match.
        {repeat(u"a"_s, 60) + u" b c "_s + repeat(u"d"_s, 40) + u"word"_s,
         {u"word"_s},
         u"…b c "_s + repeat(u"d"_s, 40) + u"word"_s},
        {repeat(u"a"_s, 30) + u" "_s + repeat(u"b"_s, 49) + u"word tail"_s,
         {u"word"_s},
         u"…"_s + repeat(u"b"_s, 49) + u"word tail"_s},
        // The earliest of several words; words only elsewhere leave the text whole.
        {repeat(u"a"_s, 100) + u"late early"_s,
         {u"early"_s, u"late"_s},
         u"…"_s + repeat(u"a"_s, 50) + u"late early"_s},
        {repeat(u"a"_s, 100), {u"title-only"_s}, repeat(u"a"_s, 100)},
        {u""_s, {u"x"_s}, u""_s},
    };
    for (const SnippetCase& c : cases)
        EXPECT_EQ(snippet(c.text, c.words), c.expected) << c.text.toStdString();
}

TEST(ManualSearchTest, UpperCasesTheSameInEveryLocale) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Turkish));
    EXPECT_EQ(upperCased(u"Glossary straße i"_s), u"GLOSSARY STRASSE I"_s);
    QLocale::setDefault(before);
}

} // namespace
