#include "PageTest.h"

#include "tilewick/mainwindow/FitContainers.h"
#include "tilewick/mainwindow/ModifierPanel.h"
#include "tilewick/mainwindow/MultiWindowCard.h"
#include "tilewick/mainwindow/SnapCard.h"
#include "tilewick/mainwindow/TabPage.h"

using namespace tilewick;
using A = SnapAction;
using Kind = TabPageLayout::Item::Kind;

namespace {

// Card widths, preview heights and rows of every layout tab; each full row fills 922.
TEST(TabPageLayoutTest, EveryLayoutTabIsAGridOfEqualCardsFillingTheReferenceWidth) {
    struct Case {
        SnapTab tab;
        int perRow;
        qreal width;
        qreal preview;
        int rows;
    };
    const Case cases[] = {
        {SnapTab::halves, 2, 430, 240.56, 1},
        {SnapTab::twoThirds, 2, 430, 240.56, 1},
        {SnapTab::thirds, 3, 274, 240.56, 1},
        {SnapTab::fourColumns, 4, 196, 240.56, 1},
        {SnapTab::quarters, 2, 430, 78, 2},
        {SnapTab::sixths, 3, 274, 78, 2},
        {SnapTab::eighths, 4, 196, 78, 2},
        {SnapTab::upDownHalves, 2, 430, 240.56, 1},
        {SnapTab::upDownTwoThirds, 2, 430, 240.56, 1},
        {SnapTab::upDownThirds, 3, 274, 240.56, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rawValue(c.tab).toStdString());
        EXPECT_EQ(TabPageLayout::cardsPerRow(c.tab), c.perRow);
        EXPECT_EQ(TabPageLayout::gridColumns(c.tab), qreal(c.perRow));
        const TabPageLayout layout = TabPageLayout::grid(c.tab);
        ASSERT_EQ(layout.items.size(), actions(c.tab).size());
        for (qsizetype i = 0; i < layout.items.size(); ++i) {
            const TabPageLayout::Item& item = layout.items[i];
            EXPECT_EQ(item.action, actions(c.tab)[i]);
            EXPECT_NEAR(item.width, c.width, 1e-9);
            EXPECT_EQ(item.previewHeight, c.preview);
            EXPECT_EQ(item.nameLines, 1);
            // Rows are cut in order; the last card of a row ends at 922.
            EXPECT_NEAR(item.frame.top(), qreal(i / c.perRow) * (item.frame.height() + 14), 1e-9);
            if (i % c.perRow == c.perRow - 1) {
                EXPECT_NEAR(item.frame.right(), 922, 1e-9);
            }
        }
        EXPECT_NEAR(layout.items.first().frame.left(), 0, 1e-9);
        EXPECT_EQ(layout.items.last().frame.top() > 0, c.rows == 2);
        // One tall row or two low ones: every page is as high as the Global one.
        EXPECT_NEAR(layout.size.height(), TabPage::kContentHeight, 1e-9);
    }
    for (SnapTab tab : {SnapTab::global, SnapTab::appSnaps}) {
        EXPECT_EQ(TabPageLayout::cardsPerRow(tab), std::nullopt);
        EXPECT_TRUE(TabPageLayout::grid(tab).items.isEmpty());
    }
}

TEST(TabPageLayoutTest, TheGlobalPageHasFiveCardsOverThePanelUndoRedoAndTheMultiWindowCard) {
    const TabPageLayout layout = TabPageLayout::global();
    ASSERT_EQ(layout.items.size(), 9);
    const A firstRow[] = {A::centre, A::previousDisplay, A::nextDisplay, A::maximize, A::focus};
    for (int i = 0; i < 5; ++i) {
        const TabPageLayout::Item& item = layout.items[i];
        EXPECT_EQ(item.kind, Kind::card);
        EXPECT_EQ(item.action, firstRow[i]);
        EXPECT_EQ(item.nameLines, 2);
        EXPECT_EQ(item.width, 149.2);
        EXPECT_EQ(item.previewHeight, 58.28);
        EXPECT_NEAR(item.frame.width(), 173.2, 1e-9);
        EXPECT_NEAR(item.frame.height(), 148.56, 1e-9);
        EXPECT_NEAR(item.frame.left(), i * (173.2 + 14), 1e-9);
        EXPECT_EQ(item.frame.top(), 0);
    }
    EXPECT_NEAR(layout.items[4].frame.right(), 922, 1e-9);

    const qreal secondRow = 148.56 + 14;
    EXPECT_EQ(layout.items[5].kind, Kind::modifierPanel);
    EXPECT_EQ(layout.items[5].frame, QRectF(0, secondRow, 360.4, 148.56));
    EXPECT_EQ(layout.items[6].action, A::undo);
    EXPECT_NEAR(layout.items[6].frame.left(), 374.4, 1e-9);
    EXPECT_EQ(layout.items[7].action, A::redo);
    EXPECT_EQ(layout.items[8].kind, Kind::multiWindow);
    EXPECT_NEAR(layout.items[8].frame.right(), 922, 1e-9);
    for (int i = 5; i < 9; ++i)
        EXPECT_NEAR(layout.items[i].frame.top(), secondRow, 1e-9);
    EXPECT_NEAR(layout.size.height(), 311.12, 1e-9);
    EXPECT_EQ(layout.size.width(), 922);
}

TEST(TabPageLayoutTest, EachTabHasItsKindOfPage) {
    EXPECT_EQ(pageKind(SnapTab::global), TabPageKind::global);
    EXPECT_EQ(pageKind(SnapTab::appSnaps), TabPageKind::appSnaps);
    for (SnapTab tab : allSnapTabs()) {
        if (tab != SnapTab::global && tab != SnapTab::appSnaps) {
            EXPECT_EQ(pageKind(tab), TabPageKind::grid) << rawValue(tab).toStdString();
        }
    }
}

class TabPageTest : public PageTest {
protected:
    template <typename T> QList<T*> itemsOf(TabPage& page) {
        QList<T*> found;
        QList<QGraphicsItem*> pending = page.childItems();
        while (!pending.isEmpty()) {
            QGraphicsItem* item = pending.takeFirst();
            if (auto* typed = dynamic_cast<T*>(item))
                found.append(typed);
            pending.append(item->childItems());
        }
        return found;
    }
};

TEST_F(TabPageTest, ThePageIsMadeAfreshByTheMakerOfTheTabsKind) {
    std::vector<std::pair<TabPageKind, SnapTab>> made;
    TabPageMakers makers = TabPageMakers::standard();
    const auto recording = [&](TabPageKind kind, TabPageMaker inner) {
        return [&made, kind, inner](const PageContext& c, SnapTab tab) {
            made.emplace_back(kind, tab);
            return inner(c, tab);
        };
    };
    makers.global = recording(TabPageKind::global, makers.global);
    makers.grid = recording(TabPageKind::grid, makers.grid);
    makers.appSnaps = recording(TabPageKind::appSnaps, makers.appSnaps);
    auto* page = show(new TabPage(context(), SnapTab::global, 922, makers));
    page->setTab(SnapTab::thirds);
    page->setTab(SnapTab::thirds);
    page->setTab(SnapTab::appSnaps);
    const std::vector<std::pair<TabPageKind, SnapTab>> expected{{TabPageKind::global, SnapTab::global},
                                                                {TabPageKind::grid, SnapTab::thirds},
                                                                {TabPageKind::appSnaps, SnapTab::appSnaps}};
    EXPECT_EQ(made, expected);
    // The Default App Snaps page holds no cards, only the room of a page.
    EXPECT_TRUE(itemsOf<SnapCard>(*page).isEmpty());
    EXPECT_EQ(page->content()->natural(), QSizeF(922, 311.12));
}

TEST_F(TabPageTest, PagesHoldTheirCardsAndScaleToTheKeyboardWidth) {
    auto* page = show(new TabPage(context(), SnapTab::eighths, 922));
    const QList<SnapCard*> cards = itemsOf<SnapCard>(*page);
    ASSERT_EQ(cards.size(), 8);
    for (SnapCard* card : cards) {
        EXPECT_EQ(card->layout().preview.size(), QSizeF(196, 78));
        EXPECT_TRUE(card->layout().oneLine);
    }
    EXPECT_EQ(page->content()->scale(), 1);
    page->setWidth(1040);
    EXPECT_DOUBLE_EQ(page->content()->scale(), 1040.0 / 922);
    page->setWidth(660);
    EXPECT_DOUBLE_EQ(page->content()->scale(), 660.0 / 922);
    EXPECT_NEAR(page->effectiveSizeHint(Qt::PreferredSize).height(), 32 + 12 + 311.12 * 660 / 922, 1e-9);

    page->setTab(SnapTab::global);
    EXPECT_EQ(itemsOf<SnapCard>(*page).size(), 7);
    EXPECT_EQ(itemsOf<ModifierPanel>(*page).size(), 1);
    EXPECT_EQ(itemsOf<MultiWindowCard>(*page).size(), 1);
    for (SnapCard* card : itemsOf<SnapCard>(*page))
        EXPECT_FALSE(card->layout().oneLine);
}

TEST_F(TabPageTest, LeavingTheGlobalPageForgetsTheModifierPanel) {
    auto* page = show(new TabPage(context(), SnapTab::global, 922));
    ASSERT_FALSE(host.panelFrames.empty());
    EXPECT_FALSE(host.panelFrames.back().isEmpty());
    page->setTab(SnapTab::halves);
    EXPECT_EQ(host.panelFrames.back(), QRectF());
}

} // namespace
