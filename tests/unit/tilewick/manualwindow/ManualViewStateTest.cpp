#include "support/SimPlatformTest.h"

#include "tilewick/manual/ManualSearch.h"
#include "tilewick/manualwindow/ManualViewState.h"

#include <QSignalSpy>

using namespace tilewick;
using namespace Qt::StringLiterals;
using Link = ManualViewState::LinkResult;

namespace {

class ManualViewStateTest : public SimPlatformTest {
protected:
    void SetUp() override {
        SimPlatformTest::SetUp();
        state = std::make_unique<ManualViewState>(ViewServices::of(platform()), [this](const QUrl& url) {
            opened.append(url.toString());
            return true;
        });
        state->setScroller([this](const QString& id) { scrolled.append(id); });
    }
    void TearDown() override {
        state.reset();
        SimPlatformTest::TearDown();
    }

    std::unique_ptr<ManualViewState> state;
    QStringList opened;
    QStringList scrolled;
};

TEST_F(ManualViewStateTest, StartsOnTheFirstSectionWithNothingFlashedAndTheFieldFocusedOnceShown) {
    EXPECT_EQ(state->current(), u"start"_s);
    EXPECT_EQ(state->query(), QString());
    EXPECT_EQ(state->flashed(), std::nullopt);
    EXPECT_FALSE(state->searching());
    state->appeared();
    // The focus comes on the next turn, once the view is on screen.
    EXPECT_FALSE(state->searching());
    runtime().runUntilIdle();
    EXPECT_TRUE(state->searching());
}

TEST_F(ManualViewStateTest, AJumpToATopicClearsTheSearchMarksItsTabScrollsOnTheNextTurnAndFlashes) {
    state->setQuery(u"undo"_s);
    state->setSearching(true);
    state->jump(u"keys"_s);
    EXPECT_EQ(state->query(), QString());
    EXPECT_FALSE(state->searching());
    EXPECT_EQ(state->current(), u"know"_s);
    EXPECT_DOUBLE_EQ(state->heldUntil(), ViewServices::of(platform()).now() + 0.9);
    EXPECT_TRUE(scrolled.isEmpty());
    runtime().runUntilIdle();
    EXPECT_EQ(scrolled, QStringList{u"keys"_s});
    EXPECT_EQ(state->flashed(), u"keys"_s);

    const double start = ViewServices::of(platform()).now();
    runtime().advance(1.39);
    EXPECT_EQ(state->flashed(), u"keys"_s);
    EXPECT_DOUBLE_EQ(state->flashLevel(u"keys"_s, start + 1.39), 1);
    runtime().advance(0.01);
    // Cleared after 1.4 s, the box fading out over 0.6 s.
    EXPECT_EQ(state->flashed(), std::nullopt);
    EXPECT_TRUE(state->flashFading(start + 1.5));
    EXPECT_GT(state->flashLevel(u"keys"_s, start + 1.5), 0);
    EXPECT_LT(state->flashLevel(u"keys"_s, start + 1.5), 1);
    EXPECT_DOUBLE_EQ(state->flashLevel(u"keys"_s, start + 2.01), 0);
    EXPECT_FALSE(state->flashFading(start + 2.01));
}

TEST_F(ManualViewStateTest, ASecondJumpWithinTheFlashKeepsItsOwnHighlightForItsFullTime) {
    state->jump(u"keys"_s);
    runtime().runUntilIdle();
    runtime().advance(1.0);
    state->jump(u"term-hotkey"_s);
    runtime().runUntilIdle();
    EXPECT_EQ(state->flashed(), u"term-hotkey"_s);
    EXPECT_DOUBLE_EQ(state->flashLevel(u"keys"_s, ViewServices::of(platform()).now()), 0);
    // The first jump's end comes and goes without touching the second's highlight.
    runtime().advance(0.5);
    EXPECT_EQ(state->flashed(), u"term-hotkey"_s);
    runtime().advance(0.9);
    EXPECT_EQ(state->flashed(), std::nullopt);
    EXPECT_EQ(state->current(), u"glossary"_s);
}

TEST_F(ManualViewStateTest, JumpsToSectionsMarkTheirTabAndFlashNothing) {
    for (const QString& section : {u"glossary"_s, u"shortcuts"_s, u"start"_s}) {
        state->jump(section);
        EXPECT_EQ(state->current(), section);
        runtime().runUntilIdle();
        EXPECT_EQ(scrolled.last(), section);
        EXPECT_EQ(state->flashed(), std::nullopt) << section.toStdString();
    }
}

TEST_F(ManualViewStateTest, AnUnknownAnchorClearsTheSearchAndScrollsButKeepsTheTab) {
    state->jump(u"glossary"_s);
    runtime().advance(2);
    const double held = state->heldUntil();
    state->setQuery(u"x"_s);
    state->jump(u"nowhere"_s);
    runtime().runUntilIdle();
    EXPECT_EQ(state->query(), QString());
    EXPECT_EQ(state->current(), u"glossary"_s);
    EXPECT_DOUBLE_EQ(state->heldUntil(), held);
    EXPECT_EQ(scrolled.last(), u"nowhere"_s);
    // It counts as flashed, which lights no box.
    EXPECT_EQ(state->flashed(), u"nowhere"_s);
}

TEST_F(ManualViewStateTest, TrackingWaitsOutTheHoldThenMarksTheLastSectionAtMost80PointsDown) {
    state->jump(u"glossary"_s);
    const QHash<QString, double> scrolledToKnow{
        {u"start"_s, -900}, {u"know"_s, 12}, {u"shortcuts"_s, 81}, {u"glossary"_s, 700}};
    runtime().advance(0.89);
    state->trackSection(scrolledToKnow);
    EXPECT_EQ(state->current(), u"glossary"_s) << "held for 0.9 s after the jump";
    runtime().advance(0.02);
    state->trackSection(scrolledToKnow);
    EXPECT_EQ(state->current(), u"know"_s);

    const std::pair<QHash<QString, double>, QString> cases[] = {
        {{{u"start"_s, 0}, {u"know"_s, 500}}, u"start"_s},
        {{{u"start"_s, -500}, {u"know"_s, 80}}, u"know"_s},
        {{{u"start"_s, -900}, {u"know"_s, -300}, {u"shortcuts"_s, -10}, {u"glossary"_s, 40}}, u"glossary"_s},
        // Every heading below the line, or none reported: the first section.
        {{{u"start"_s, 120}, {u"know"_s, 900}}, u"start"_s},
        {{}, u"start"_s},
    };
    for (const auto& [tops, expected] : cases) {
        state->trackSection(tops);
        EXPECT_EQ(state->current(), expected);
    }
}

TEST_F(ManualViewStateTest, ReturnJumpsToTheFirstResultAndDoesNothingWithoutResults) {
    state->setQuery(u"zzzz"_s);
    state->setSearching(true);
    state->submitSearch();
    runtime().runUntilIdle();
    EXPECT_EQ(state->query(), u"zzzz"_s);
    EXPECT_TRUE(state->searching());
    EXPECT_TRUE(scrolled.isEmpty());

    state->setQuery(u"undo"_s);
    const QString first = Manual::search(u"undo"_s).first().id;
    state->submitSearch();
    runtime().runUntilIdle();
    EXPECT_EQ(state->query(), QString());
    EXPECT_FALSE(state->searching());
    EXPECT_EQ(scrolled, QStringList{first});
    EXPECT_EQ(state->flashed(), first);
}

TEST_F(ManualViewStateTest, EscapeKeepsTheFocusAndTheClearButtonTakesIt) {
    state->setSearching(true);
    state->setQuery(u"undo"_s);
    state->escape();
    EXPECT_EQ(state->query(), QString());
    EXPECT_TRUE(state->searching());

    state->setSearching(false);
    state->setQuery(u"undo"_s);
    state->clearSearch();
    EXPECT_EQ(state->query(), QString());
    EXPECT_TRUE(state->searching());
}

TEST_F(ManualViewStateTest, LinksSearchJumpOrGoToTheDesktop) {
    struct Case {
        QString link;
        Link result;
        QString query;
        QStringList opened;
    };
    const Case cases[] = {
        {u"search:two%20words"_s, Link::Handled, u"two words"_s, {}},
        {u"search:accessibility"_s, Link::Handled, u"accessibility"_s, {}},
        {u"search:caf%C3%A9"_s, Link::Handled, u"café"_s, {}},
        // Broken escapes, or bytes that are no UTF-8: the document shows.
        {u"search:two%2"_s, Link::Handled, QString(), {}},
        {u"search:%zz"_s, Link::Handled, QString(), {}},
        {u"search:%C3"_s, Link::Handled, QString(), {}},
        {u"https://veldorpellrath.example/"_s,
         Link::HandedToSystem,
         u"before"_s,
         {u"https://veldorpellrath.example/"_s}},
        {u"mailto:beta@veldorpellrath.example"_s,
         Link::HandedToSystem,
         u"before"_s,
         {u"mailto:beta@veldorpellrath.example"_s}},
        // No valid address, and a relative one without an anchor: nothing leaves the program.
        {u"https://exa mple.com/%zz"_s, Link::Handled, u"before"_s, {}},
        {u"notes.txt"_s, Link::Handled, u"before"_s, {}},
    };
    for (const Case& c : cases) {
        opened.clear();
        state->setQuery(u"before"_s);
        EXPECT_EQ(state->openLink(c.link), c.result) << c.link.toStdString();
        EXPECT_EQ(state->query(), c.query) << c.link.toStdString();
        EXPECT_EQ(opened, c.opened) << c.link.toStdString();
    }
    EXPECT_TRUE(scrolled.isEmpty());
}

TEST_F(ManualViewStateTest, AnAnchorLinkJumps) {
    state->setQuery(u"glossary"_s);
    EXPECT_EQ(state->openLink(u"#term-floating-keyboard"_s), Link::Handled);
    EXPECT_EQ(state->query(), QString());
    EXPECT_EQ(state->current(), u"glossary"_s);
    runtime().runUntilIdle();
    EXPECT_EQ(scrolled, QStringList{u"term-floating-keyboard"_s});
    EXPECT_TRUE(opened.isEmpty());
}

TEST_F(ManualViewStateTest, TellsObserversOnlyOfRealChanges) {
    QSignalSpy query(state.get(), &ManualViewState::queryChanged);
    QSignalSpy searching(state.get(), &ManualViewState::searchingChanged);
    state->setQuery(u"a"_s);
    state->setQuery(u"a"_s);
    state->setSearching(false);
    EXPECT_EQ(query.count(), 1);
    EXPECT_EQ(searching.count(), 0);
}

} // namespace
