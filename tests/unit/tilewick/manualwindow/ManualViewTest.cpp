#include "ManualPanelTest.h"
#include "support/Golden.h"

#include "tilewick/manual/ManualSearch.h"
#include "tilewick/manualwindow/ManualDocument.h"
#include "tilewick/manualwindow/ManualHeader.h"
#include "tilewick/manualwindow/ManualPanel.h"
#include "tilewick/manualwindow/ManualResults.h"
#include "tilewick/manualwindow/ManualView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

using namespace tilewick;
using namespace Qt::StringLiterals;

namespace {

class ManualViewTest : public ManualPanelTest {
protected:
    QLineEdit& field() { return *view().header()->searchField()->lineEdit(); }
    int scrollValue() { return view().documentScroll()->verticalScrollBar()->value(); }
};

TEST_F(ManualViewTest, ThePanelIsMadeOnceAndComesBackAsItWas) {
    EXPECT_EQ(panel->panel(), nullptr);
    panel->show();
    QWidget* window = panel->panel();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), u"Tilewick Manual"_s);
    EXPECT_EQ(window->size(), QSize(760, 760));
    EXPECT_EQ(window->minimumSize(), QSize(520, 420));
    EXPECT_TRUE(window->isVisible());
    settle();
    state().setQuery(u"undo"_s);
    window->close();
    EXPECT_FALSE(window->isVisible());
    panel->show();
    EXPECT_EQ(panel->panel(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(state().query(), u"undo"_s);
}

TEST_F(ManualViewTest, TypingShowsTheResultsOverTheDocumentWhichKeepsItsPlace) {
    panel->show();
    settle();
    view().documentScroll()->verticalScrollBar()->setValue(400);
    QTest::keyClicks(&field(), u"undo"_s);
    EXPECT_EQ(state().query(), u"undo"_s);
    EXPECT_TRUE(view().resultsScroll()->isVisible());
    EXPECT_EQ(view().results()->rows().size(), Manual::search(u"undo"_s).size());
    EXPECT_EQ(view().header()->markedTab(), std::nullopt);
    EXPECT_TRUE(view().header()->searchField()->clearButton()->isVisible());

    QTest::keyClick(&field(), Qt::Key_Escape);
    EXPECT_EQ(state().query(), QString());
    EXPECT_TRUE(field().hasFocus());
    EXPECT_FALSE(view().resultsScroll()->isVisible());
    EXPECT_FALSE(view().header()->searchField()->clearButton()->isVisible());
    EXPECT_EQ(scrollValue(), 400);
    EXPECT_EQ(view().header()->markedTab(), state().current());
}

TEST_F(ManualViewTest, ReturnJumpsToTheFirstResultScrollingItToTheTop) {
    panel->show();
    settle();
    QTest::keyClicks(&field(), u"display"_s);
    const QString first = Manual::search(u"display"_s).first().id;
    QTest::keyClick(&field(), Qt::Key_Return);
    EXPECT_FALSE(view().resultsScroll()->isVisible());
    EXPECT_FALSE(state().searching());
    settle(0.2);
    // Part of the way there after 0.2 s, there at 0.35 s.
    const int target = int(*view().document()->anchorTop(first));
    EXPECT_GT(scrollValue(), 0);
    EXPECT_LT(scrollValue(), std::min(target, view().documentScroll()->verticalScrollBar()->maximum()));
    settle(0.2);
    EXPECT_EQ(scrollValue(), std::min(target, view().documentScroll()->verticalScrollBar()->maximum()));
}

TEST_F(ManualViewTest, CtrlFFocusesTheFieldFromAnywhereInThePanel) {
    panel->show();
    settle();
    QApplication::setActiveWindow(panel->panel());
    view().document()->setFocusPolicy(Qt::ClickFocus);
    view().document()->setFocus();
    state().setSearching(false);
    EXPECT_FALSE(field().hasFocus());
    QTest::keyClick(view().document(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(state().searching());
    EXPECT_TRUE(field().hasFocus());
}

TEST_F(ManualViewTest, TheClearButtonEmptiesTheFieldAndFocusesIt) {
    panel->show();
    settle();
    state().setQuery(u"undo"_s);
    state().setSearching(false);
    view().header()->searchField()->clearButton()->click();
    EXPECT_EQ(field().text(), QString());
    EXPECT_TRUE(state().searching());
}

class ManualPictures : public ManualViewTest {
protected:
    QImage picture(Scheme scheme, const QString& query = {}, const QString& jumpTo = {}) {
        appearance().force(scheme);
        panel->show();
        settle();
        if (!jumpTo.isEmpty()) {
            state().jump(jumpTo);
            settle(0.5);
        }
        state().setQuery(query);
        settle(0.01);
        return view().grab().toImage();
    }
};

TEST_F(ManualPictures, DocumentAndResultsInBothSchemes) {
    EXPECT_TRUE(matchesGolden(picture(Scheme::Light), "manualwindow/manual-light"));
    EXPECT_TRUE(matchesGolden(picture(Scheme::Dark), "manualwindow/manual-dark"));
    EXPECT_TRUE(matchesGolden(picture(Scheme::Light, u"undo redo"_s), "manualwindow/manual-results-light"));
    EXPECT_TRUE(matchesGolden(picture(Scheme::Dark, u"qqq"_s), "manualwindow/manual-nothing-dark"));
}

TEST_F(ManualPictures, AFlashedTopicAndTheShortcutsTable) {
    EXPECT_TRUE(matchesGolden(picture(Scheme::Light, {}, u"keys"_s), "manualwindow/manual-flash-light"));
    EXPECT_TRUE(
        matchesGolden(picture(Scheme::Dark, {}, u"default-hotkeys"_s), "manualwindow/manual-table-dark"));
}

} // namespace
