#include "ManualPanelTest.h"

#include "tilewick/manual/ManualSearch.h"
#include "tilewick/manualwindow/ManualDocument.h"
#include "tilewick/manualwindow/ManualHeader.h"
#include "tilewick/manualwindow/ManualPanel.h"
#include "tilewick/manualwindow/ManualResults.h"
#include "tilewick/manualwindow/ManualView.h"
#include "tilewick/visuals/InterFont.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

using namespace tilewick;
using namespace Qt::StringLiterals;

namespace {

// The words a block draws in the accent colour, as the text they cover.
QStringList marked(const QString& text, const QStringList& words) {
    const TextBlock block = highlighted(text, words, interFont(14, 360), interFont(14, 600));
    QStringList result;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = start;
        while (end < text.size() && block.isAccented(end))
            ++end;
        if (end > start) {
            result.append(text.mid(start, end - start));
            start = end;
        } else {
            ++start;
        }
    }
    return result;
}

TEST(ManualResultsTextTest, SummariesCountResults) {
    EXPECT_EQ(resultsSummary(1, u"undo"_s), u"1 result for \u201Cundo\u201D"_s);
    EXPECT_EQ(resultsSummary(3, u"undo"_s), u"3 results for \u201Cundo\u201D"_s);
    EXPECT_EQ(resultsSummary(0, u"  x "_s), u"Nothing found for \u201C  x \u201D"_s);
}

TEST(ManualResultsTextTest, MarksEveryOccurrenceOfEveryWordIgnoringCaseAndAccents) {
    EXPECT_EQ(marked(u"Undo and redo: undo, REDO."_s, {u"undo"_s, u"redo"_s}),
              (QStringList{u"Undo"_s, u"redo"_s, u"undo"_s, u"REDO"_s}));
    EXPECT_EQ(marked(u"Café or cafe"_s, {u"cafe"_s}), (QStringList{u"Café"_s, u"cafe"_s}));
    EXPECT_EQ(marked(u"a cafe"_s, {u"CAFÉ"_s}), QStringList{u"cafe"_s});
    // Overlapping words mark their union; no words mark nothing.
    EXPECT_EQ(marked(u"keyboard"_s, {u"key"_s, u"eyb"_s}), QStringList{u"keyb"_s});
    EXPECT_TRUE(marked(u"keyboard"_s, {}).isEmpty());
    EXPECT_TRUE(marked(u"keyboard"_s, {u"mouse"_s}).isEmpty());
}

TEST(ManualResultsTextTest, KickersAreCapitalsAndSnippetsKeepToThreeLines) {
    const Manual::Entry entry{u"x"_s, u"Good to know"_s, u"Title"_s, QString(u"word "_s).repeated(200)};
    const ResultRow row{entry, {u"word"_s}, {}, false};
    EXPECT_EQ(row.kicker().text(), u"GOOD TO KNOW"_s);
    TextBlock snippet = row.snippet();
    snippet.layout(200);
    EXPECT_EQ(snippet.lineCount(), 3);
    TextBlock title = row.title();
    title.layout(200);
    EXPECT_EQ(title.lineCount(), 1);
}

class ManualInteractionTest : public ManualPanelTest {
protected:
    void SetUp() override {
        ManualPanelTest::SetUp();
        panel->show();
        settle();
    }
    // The first point of `widget` (scanning rows of 2 points) where `linkAt` gives `link`.
    template <typename Widget> std::optional<QPoint> pointOfLink(Widget& widget, const QString& link) {
        for (int y = 0; y < widget.height(); y += 2)
            for (int x = 0; x < widget.width(); x += 2)
                if (widget.linkAt(QPointF(x, y)) == link)
                    return QPoint(x, y);
        return std::nullopt;
    }
};

TEST_F(ManualInteractionTest, ClickingTheGlossaryTabMarksItAtOnceAndScrollsItsHeadingToTheTop) {
    ManualHeader& header = *view().header();
    const QRectF glossary = header.tabFrames().last();
    QTest::mouseClick(&header, Qt::LeftButton, {}, glossary.center().toPoint());
    EXPECT_EQ(header.markedTab(), u"glossary"_s);
    settle();
    QScrollBar& bar = *view().documentScroll()->verticalScrollBar();
    EXPECT_EQ(bar.value(), std::min<int>(int(*view().document()->anchorTop(u"glossary"_s)), bar.maximum()));
    EXPECT_EQ(state().flashed(), std::nullopt);
    // Scrolling back to the top, once the hold is over, marks the first tab again.
    bar.setValue(0);
    EXPECT_EQ(header.markedTab(), u"start"_s);
}

TEST_F(ManualInteractionTest, AJumpLandsAtOnceWhenTheDesktopAsksForLessMotion) {
    ManualHeader& header = *view().header();
    QScrollBar& bar = *view().documentScroll()->verticalScrollBar();
    const int target = std::min<int>(int(*view().document()->anchorTop(u"glossary"_s)), bar.maximum());
    ASSERT_GT(target, 0);
    const auto jumpToGlossaryAndTakeOneTurn = [&] {
        QTest::mouseClick(&header, Qt::LeftButton, {}, header.tabFrames().last().center().toPoint());
        runtime().runUntilIdle();
        QApplication::processEvents();
    };

    jumpToGlossaryAndTakeOneTurn();
    EXPECT_LT(bar.value(), target) << "without the setting the jump scrolls over time";

    settle();
    bar.setValue(0);
    settle();
    ASSERT_EQ(bar.value(), 0);
    reduceMotion().setReduceMotion(true);
    jumpToGlossaryAndTakeOneTurn();
    EXPECT_EQ(bar.value(), target);
    settle();
    EXPECT_EQ(bar.value(), target);
    EXPECT_EQ(header.markedTab(), u"glossary"_s);
}

TEST_F(ManualInteractionTest, TabsTooManyForTheHeaderScrollSidewaysUnderTheWheel) {
    // With the bundled font every tab fits the narrowest window; a header narrower than that
    // (a larger font would do the same) is too narrow for them.
    ManualHeader& header = *view().header();
    panel->panel()->resize(panel->panel()->minimumSize());
    QApplication::processEvents();
    EXPECT_EQ(header.maximumTabsOffset(), 0);
    header.resize(360, header.height());
    const QRectF strip = header.tabStrip();
    ASSERT_GT(header.maximumTabsOffset(), 0);
    EXPECT_GT(header.tabFrames().last().right(), strip.right());
    const QPointF inStrip = strip.center();
    const auto wheel = [&](QPointF at, QPoint angle, QPoint pixels = {}) {
        QWheelEvent event(at, header.mapToGlobal(at), pixels, angle, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&header, &event);
        return event.isAccepted();
    };

    // Above the strip (the title row) the wheel is not the strip's.
    EXPECT_FALSE(wheel(QPointF(strip.center().x(), strip.top() - 20), QPoint(0, -120)));
    EXPECT_EQ(header.tabsOffset(), 0);
    // A wheel's notch down scrolls towards the last tab; a touchpad's pixels move it as far.
    EXPECT_TRUE(wheel(inStrip, QPoint(0, -120)));
    const qreal notch = header.tabsOffset();
    EXPECT_GT(notch, 0);
    wheel(inStrip, QPoint(0, 0), QPoint(-7, 0));
    EXPECT_DOUBLE_EQ(header.tabsOffset(), std::min(notch + 7, header.maximumTabsOffset()));
    // Never past either end.
    for (int i = 0; i < 50; ++i)
        wheel(inStrip, QPoint(-120, 0));
    EXPECT_DOUBLE_EQ(header.tabsOffset(), header.maximumTabsOffset());
    EXPECT_NEAR(header.tabFrames().last().right(), strip.right(), 0.001);

    // The frames as shown take the clicks: the last tab, now in view, jumps to the glossary.
    QTest::mouseClick(&header, Qt::LeftButton, {}, header.tabFrames().last().center().toPoint());
    EXPECT_EQ(header.markedTab(), u"glossary"_s);
    // The part of a tab scrolled out of the strip takes no click.
    const QRectF first = header.tabFrames().first();
    ASSERT_LT(first.left() + 2, strip.left());
    QTest::mouseClick(&header, Qt::LeftButton, {}, QPointF(first.left() + 1, first.center().y()).toPoint());
    EXPECT_EQ(header.markedTab(), u"glossary"_s);

    for (int i = 0; i < 50; ++i)
        wheel(inStrip, QPoint(0, 120));
    EXPECT_EQ(header.tabsOffset(), 0);
    // In a wide window every tab fits and the strip does not scroll.
    wheel(inStrip, QPoint(0, -120));
    ASSERT_GT(header.tabsOffset(), 0);
    header.resize(760, header.height());
    EXPECT_EQ(header.maximumTabsOffset(), 0);
    EXPECT_EQ(header.tabsOffset(), 0);
    EXPECT_FALSE(wheel(header.tabStrip().center(), QPoint(0, -120)));
}

TEST_F(ManualInteractionTest, LinksInTheDocumentSearchOrJump) {
    ManualDocument& document = *view().document();
    const auto search = pointOfLink(document, u"search:accessibility"_s);
    ASSERT_TRUE(search);
    QTest::mouseClick(&document, Qt::LeftButton, {}, *search);
    EXPECT_EQ(state().query(), u"accessibility"_s);
    EXPECT_TRUE(view().resultsScroll()->isVisible());

    state().setQuery(QString());
    const auto anchor = pointOfLink(document, u"#term-floating-keyboard"_s);
    ASSERT_TRUE(anchor);
    QTest::mouseClick(&document, Qt::LeftButton, {}, *anchor);
    settle(0.5);
    EXPECT_EQ(state().current(), u"glossary"_s);
    EXPECT_EQ(state().flashed(), u"term-floating-keyboard"_s);
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(ManualInteractionTest, CardsLightUpUnderThePointerAndOpenTheirEntry) {
    state().setQuery(u"undo"_s);
    QApplication::processEvents();
    ManualResults& results = *view().results();
    const QList<QRectF> cards = results.cardFrames();
    ASSERT_GE(cards.size(), 2);
    QTest::mouseMove(&results, cards[1].center().toPoint());
    EXPECT_FALSE(results.rows()[0].hovering);
    EXPECT_TRUE(results.rows()[1].hovering);
    QTest::mouseMove(&results, QPoint(2, 2));
    EXPECT_FALSE(results.rows()[1].hovering);

    const QString second = results.rows()[1].entry.id;
    QTest::mouseClick(&results, Qt::LeftButton, {}, cards[1].center().toPoint());
    EXPECT_EQ(state().query(), QString());
    EXPECT_FALSE(view().resultsScroll()->isVisible());
    settle(0.1);
    EXPECT_EQ(state().flashed(), second);
}

TEST_F(ManualInteractionTest, TheHintsGlossaryLinkLeavesTheSearch) {
    state().setQuery(u"qqqq"_s);
    QApplication::processEvents();
    ManualResults& results = *view().results();
    EXPECT_TRUE(results.rows().isEmpty());
    EXPECT_TRUE(results.cardFrames().isEmpty());
    const auto link = pointOfLink(results, u"#glossary"_s);
    ASSERT_TRUE(link);
    QTest::mouseClick(&results, Qt::LeftButton, {}, *link);
    EXPECT_EQ(state().query(), QString());
    settle();
    EXPECT_EQ(state().current(), u"glossary"_s);
}

} // namespace
