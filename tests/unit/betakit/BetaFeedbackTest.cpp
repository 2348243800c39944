#include "betakit/BetaFeedback.h"
#include "betakit/Characters.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <functional>

namespace {

using betakit::BetaFeedback;
using betakit::Characters;
using Kind = BetaFeedback::Kind;
using Severity = BetaFeedback::Severity;

BetaFeedback withSummary(const QString& summary) {
    BetaFeedback feedback;
    feedback.summary = summary;
    return feedback;
}

// A thumbs-up with a skin tone: two code points, four UTF-16 units, one character.
const QString kThumb = QStringLiteral("\U0001F44D\U0001F3FD");

TEST(CharactersTest, CountsUserPerceivedCharacters) {
    struct Case {
        QString text;
        qsizetype count;
    };
    const Case cases[] = {
        {QString(), 0},
        {QStringLiteral("abc"), 3},
        {kThumb + kThumb, 2},
        {QStringLiteral("e\u0301"), 1},              // e with a combining acute accent
        {QStringLiteral("a\r\nb"), 3},               // CR LF is one character
        {QStringLiteral("\U0001F1E9\U0001F1EA"), 1}, // a flag
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(Characters::count(c.text), c.count);
        EXPECT_FALSE(Characters::exceeds(c.text, c.count));
        if (c.count > 0) {
            EXPECT_TRUE(Characters::exceeds(c.text, c.count - 1));
        }
        EXPECT_EQ(Characters::first(c.text, c.count), c.text);
    }
    EXPECT_EQ(Characters::first(kThumb + QStringLiteral("e\u0301x"), 2), kThumb + QStringLiteral("e\u0301"));
    EXPECT_EQ(Characters::first(QStringLiteral("abc"), 0), QString());
}

TEST(CharactersTest, TrimsBlanksOrAllSpace) {
    EXPECT_EQ(Characters::trimmedBlanks(QStringLiteral(" \t\u00A0\u3000x y\u2003 ")), QStringLiteral("x y"));
    // Line breaks are no blanks.
    EXPECT_EQ(Characters::trimmedBlanks(QStringLiteral("\nx\n")), QStringLiteral("\nx\n"));
    EXPECT_EQ(Characters::trimmedSpace(QStringLiteral("\r\n\t\u2028 x\u0085\u2029\v")), QStringLiteral("x"));
    EXPECT_EQ(Characters::trimmedSpace(QStringLiteral(" \n ")), QString());
    // A character outside the BMP at an end stays whole.
    EXPECT_EQ(Characters::trimmedSpace(QStringLiteral(" ") + kThumb + QStringLiteral(" ")), kThumb);
}

TEST(BetaFeedbackTest, CleanSummaryIsOneTrimmedLine) {
    struct Case {
        QString summary;
        QString clean;
    };
    const Case cases[] = {
        {QStringLiteral("Two\nlines"), QStringLiteral("Two lines")},
        {QStringLiteral("CR LF\r\nleaves two"), QStringLiteral("CR LF  leaves two")},
        {QStringLiteral("\n  Padded\t \n"), QStringLiteral("Padded")},
        {QStringLiteral("a\u2028b\u2029c\u0085d\ve\ff"), QStringLiteral("a b c d e f")},
        {QStringLiteral("\u00A0no-break\u00A0"), QStringLiteral("no-break")},
        {QStringLiteral(" \r\n\t "), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.summary.toStdString());
        EXPECT_EQ(withSummary(c.summary).cleanSummary(), c.clean);
    }
}

TEST(BetaFeedbackTest, SummaryLimitCountsCharactersAfterCleaning) {
    struct Case {
        const char* what;
        QString summary;
        bool ready;
    };
    const Case cases[] = {
        {"empty", QString(), false},
        {"blanks and breaks only", QStringLiteral(" \n\t\r\n "), false},
        {"one character", QStringLiteral("x"), true},
        {"200 characters", QString(200, u'a'), true},
        {"201 characters", QString(201, u'a'), false},
        {"200 characters with blanks around",
         QStringLiteral("  ") + QString(200, u'a') + QStringLiteral("\n\t"), true},
        {"200 emoji", kThumb.repeated(200), true},
        {"201 emoji", kThumb.repeated(201), false},
        {"a break inside counts as a blank", QString(100, u'a') + u'\n' + QString(99, u'b'), true},
        {"CR LF inside counts as two blanks", QString(100, u'a') + QStringLiteral("\r\n") + QString(99, u'b'),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(withSummary(c.summary).isReady(), c.ready);
    }
}

TEST(BetaFeedbackTest, DetailsLimitCountsTheTextAsTyped) {
    struct Case {
        const char* what;
        QString details;
        bool ready;
    };
    const Case cases[] = {
        {"empty", QString(), true},
        {"20,000 characters", QString(20000, u'd'), true},
        {"20,001 characters", QString(20001, u'd'), false},
        {"20,000 accented characters in 40,000 code units", QStringLiteral("e\u0301").repeated(20000), true},
        {"blanks count too", QString(19999, u'd') + QStringLiteral("  "), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BetaFeedback feedback = withSummary(QStringLiteral("Summary"));
        feedback.details = c.details;
        EXPECT_EQ(feedback.isReady(), c.ready);
    }
}

TEST(BetaFeedbackTest, EmailIsOptionalButMustLookLikeAnAddress) {
    struct Case {
        QString email;
        bool valid;
    };
    const Case cases[] = {
        {QString(), true},
        {QStringLiteral("   \n"), true},
        {QStringLiteral("ann@example.org"), true},
        {QStringLiteral("  ann@example.org \n"), true},
        {QStringLiteral("ann@mail.example.co.uk"), true},
        {QStringLiteral("ann.b+tag@example.io"), true},
        {QStringLiteral("zoë@exämple.de"), true},
        {QStringLiteral("ann b@example.org"), false},
        {QStringLiteral("ann@exa\u00A0mple.org"), false},
        {QStringLiteral("ann@@example.org"), false},
        {QStringLiteral("ann@ex@ample.org"), false},
        {QStringLiteral("ann@example.o"), false},
        {QStringLiteral("ann@example"), false},
        {QStringLiteral("@example.org"), false},
        {QStringLiteral("ann@.org"), false},
        {QStringLiteral("ann@example.org\nx"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.email.toStdString());
        BetaFeedback feedback = withSummary(QStringLiteral("Summary"));
        feedback.email = c.email;
        EXPECT_EQ(feedback.isEmailValid(), c.valid);
        EXPECT_EQ(feedback.isReady(), c.valid);
    }
}

TEST(BetaFeedbackTest, KindSeverityAndSwitchesNeverStopReadiness) {
    for (const Kind kind : BetaFeedback::allKinds) {
        for (const auto severity : {std::optional<Severity>(), std::optional(Severity::Blocking)}) {
            BetaFeedback feedback = withSummary(QStringLiteral("Summary"));
            feedback.kind = kind;
            feedback.severity = severity;
            feedback.includeDiagnostics = true;
            feedback.afterCrash = true;
            EXPECT_TRUE(feedback.isReady());
        }
    }
}

TEST(BetaFeedbackTest, KindsAndSeveritiesHaveRawValuesAndTitles) {
    QStringList raws, titles;
    for (const Kind kind : BetaFeedback::allKinds) {
        raws << BetaFeedback::rawValue(kind);
        titles << BetaFeedback::title(kind);
        EXPECT_EQ(BetaFeedback::kindFromRaw(BetaFeedback::rawValue(kind)), kind);
    }
    EXPECT_EQ(raws, QStringList({"problem", "confusing", "idea", "love"}));
    EXPECT_EQ(titles, QStringList({"Problem", "Confusing", "Idea", "Love it"}));
    raws.clear();
    titles.clear();
    for (const Severity severity : BetaFeedback::allSeverities) {
        raws << BetaFeedback::rawValue(severity);
        titles << BetaFeedback::title(severity);
        EXPECT_EQ(BetaFeedback::severityFromRaw(BetaFeedback::rawValue(severity)), severity);
    }
    EXPECT_EQ(raws, QStringList({"minor", "annoying", "blocking"}));
    EXPECT_EQ(titles, QStringList({"Minor", "Annoying", "Stops me working"}));
    EXPECT_EQ(BetaFeedback::kindFromRaw(u"Problem"), std::nullopt);
    EXPECT_EQ(BetaFeedback::kindFromRaw(u""), std::nullopt);
    EXPECT_EQ(BetaFeedback::severityFromRaw(u"Minor"), std::nullopt);
}

TEST(BetaFeedbackTest, EqualityTakesEveryField) {
    const BetaFeedback base = withSummary(QStringLiteral("Summary"));
    EXPECT_EQ(base, base);
    const std::function<void(BetaFeedback&)> changes[] = {
        [](BetaFeedback& f) { f.kind = Kind::Idea; },
        [](BetaFeedback& f) { f.severity = Severity::Minor; },
        [](BetaFeedback& f) { f.summary += u'!'; },
        [](BetaFeedback& f) { f.details = QStringLiteral("d"); },
        [](BetaFeedback& f) { f.email = QStringLiteral("a@b.cd"); },
        [](BetaFeedback& f) { f.includeDiagnostics = true; },
        [](BetaFeedback& f) { f.afterCrash = true; },
    };
    for (const auto& change : changes) {
        BetaFeedback other = base;
        change(other);
        EXPECT_NE(other, base);
    }
}

} // namespace
