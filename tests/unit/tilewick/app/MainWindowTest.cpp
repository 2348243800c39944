#include "support/StoreTest.h"

#include "tilewick/app/MainWindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMenuBar>

using namespace tilewick;

namespace {

class MainWindowTest : public StoreTest {};

TEST_F(MainWindowTest, HoldsTheMainViewOnlyWhileOpen) {
    makeStore();
    MainWindow window(store(), {}, *shell);
    EXPECT_EQ(window.objectName(), "main");
    EXPECT_EQ(window.windowRole(), "main");
    EXPECT_EQ(window.windowTitle(), "Tilewick");
    EXPECT_EQ(window.size(), QSize(956, 891));
    ASSERT_NE(window.mainView(), nullptr);
    EXPECT_EQ(window.centralWidget(), window.mainView());

    // Closed, the window keeps an empty page, no smaller than 220 × 220; reopened, a fresh view.
    QPointer<MainView> first = window.mainView();
    store().setWindowOpen(false);
    EXPECT_EQ(window.mainView(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_GE(window.centralWidget()->minimumWidth(), 220);
    EXPECT_GE(window.centralWidget()->minimumHeight(), 220);
    store().setWindowOpen(true);
    ASSERT_NE(window.mainView(), nullptr);
    EXPECT_EQ(window.centralWidget(), window.mainView());

    QStringList menus;
    for (const QAction* action : window.menuBar()->actions())
        menus << action->text();
    EXPECT_EQ(menus, QStringList({"Tilewick", "Help"}));
}

} // namespace
