#include "AppSnapsViewTest.h"

#include "tilewick/mainwindow/FitContainers.h"
#include "tilewick/mainwindow/MainView.h"
#include "tilewick/mainwindow/PageArea.h"
#include "tilewick/mainwindow/appsnaps/AppSnapsPage.h"
#include "tilewick/visuals/keyboard/KeyboardView.h"

#include <QGraphicsScene>

namespace {

using namespace tilewick;

class AppSnapsTabTest : public AppSnapsViewTest {
protected:
    MainView& makeView() {
        view = std::make_unique<MainView>(store(), ViewServices::of(platform()));
        view->resize(956, 891);
        view->show();
        QCoreApplication::processEvents();
        return *view;
    }
    void TearDown() override {
        view.reset();
        AppSnapsViewTest::TearDown();
    }
    AppSnapsPageItem* pageItem() const {
        for (QGraphicsItem* item : view->pageArea()->scene()->items())
            if (auto* page = dynamic_cast<AppSnapsPageItem*>(item))
                return page;
        return nullptr;
    }

    std::unique_ptr<MainView> view;
};

TEST_F(AppSnapsTabTest, TheTabShowsThePageAndItsPickerReportsWhereItIs) {
    makeView();
    EXPECT_EQ(pageItem(), nullptr);
    store().setTab(SnapTab::appSnaps);
    QCoreApplication::processEvents();
    ASSERT_NE(pageItem(), nullptr);
    const QRectF picker = view->clickFrames().appPicker;
    EXPECT_FALSE(picker.isEmpty());
    EXPECT_TRUE(view->rect().contains(picker.toRect()));

    // A narrower window scales the page down: the picker says where it is now.
    view->resize(760, 891);
    QCoreApplication::processEvents();
    const QRectF narrower = view->clickFrames().appPicker;
    EXPECT_LT(narrower.width(), picker.width());
    EXPECT_NEAR(narrower.height() / narrower.width(), 36.0 / 422, 0.002);

    // Leaving the tab takes the page and its frames away.
    store().setTab(SnapTab::halves);
    QCoreApplication::processEvents();
    EXPECT_EQ(pageItem(), nullptr);
    EXPECT_EQ(view->clickFrames().appPicker, QRectF());
}

TEST_F(AppSnapsTabTest, ALayoutKeyOfTheKeyboardSavesTheChosenApplicationsSnap) {
    store().setTab(SnapTab::appSnaps);
    makeView();
    const KeyboardEnvironment& keys = view->pageColumn()->keyboard()->environment();
    ASSERT_TRUE(keys.pickingAppSnap);
    ASSERT_TRUE(keys.assignAppSnapKey);
    keys.assignAppSnapKey(SnapAction::rightHalf);
    EXPECT_EQ(store().note(), QStringLiteral("Choose an app first, then the key for where it opens."));

    store().chooseAppSnapApp(app("Notes"));
    view->pageColumn()->keyboard()->environment().assignAppSnapKey(SnapAction::rightHalf);
    ASSERT_EQ(store().appSnaps().size(), 1);
    EXPECT_EQ(store().appSnaps().first().action, SnapAction::rightHalf);

    // Elsewhere a key picks nothing.
    store().setTab(SnapTab::halves);
    EXPECT_FALSE(view->pageColumn()->keyboard()->environment().assignAppSnapKey);
}

} // namespace
