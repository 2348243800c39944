// Run by app_snaps_page.sh on a private X server (two monitors "L" and "R" of 1280×1080, a window
// manager, the private desktop entry e2e-term that claims xterm's windows).
//
// WhereTest: lays out the main view as the program shows it on the Default App Snaps tab, at the
// size in E2E_VIEW_SIZE ("<width>x<height>"), and writes to E2E_OUT where a click lands on the
// picker box and on the left-half key, in the view's coordinates, and how high the window's menu
// bar is: "menubar <h>", "picker <x> <y>", "key <x> <y>". LaunchTest: with the real program
// running, a terminal started on "R" opens in the left half of "L".

#include "E2eTools.h"

#include "support/StoreTest.h"

#include "platform/desktop/DesktopPlatform.h"
#include "tilewick/mainwindow/MainView.h"
#include "tilewick/mainwindow/PageArea.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/keyboard/KeyCapItem.h"
#include "tilewick/visuals/keyboard/KeyboardView.h"

#include <QFile>
#include <QMenuBar>

#include <gtest/gtest.h>

using namespace e2e;

namespace {

class WhereTest : public StoreTest {};

TEST_F(WhereTest, ThePickerAndTheLeftHalfKey) {
    const QStringList size = qEnvironmentVariable("E2E_VIEW_SIZE").split(u'x');
    ASSERT_EQ(size.size(), 2) << "run by app_snaps_page.sh";
    tilewick::InterFontLibrary::setSharedResources(TILEWICK_TEST_APP_DIR "/Contents/Resources");
    // The real desktop is trusted, its hotkeys work and nothing clashes: the header shows no banner.
    desktop().setTrusted(true);
    auto& store = makeStore();
    store.setTrusted(true);
    store.setHotkeysActive(true);
    store.setTab(tilewick::SnapTab::appSnaps);
    tilewick::MainView view(store, tilewick::ViewServices::of(platform()));
    view.resize(size[0].toInt(), size[1].toInt());
    view.show();
    QCoreApplication::processEvents();

    const QRectF picker = view.clickFrames().appPicker;
    ASSERT_FALSE(picker.isEmpty());
    tilewick::KeyCapItem* key = view.pageColumn()->keyboard()->keyCap(123); // the Left arrow: left half
    ASSERT_NE(key, nullptr);
    const QPointF keyCentre = view.tipRootPoint(key->sceneBoundingRect().center());

    // The program's window carries the same two menus above its view.
    QMenuBar bar;
    bar.addMenu(QStringLiteral("Tilewick"));
    bar.addMenu(QStringLiteral("Help"));
    QFile out(qEnvironmentVariable("E2E_OUT"));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(QStringLiteral("menubar %1\npicker %2 %3\nkey %4 %5\n")
                  .arg(bar.sizeHint().height())
                  .arg(qRound(picker.center().x()))
                  .arg(qRound(picker.center().y()))
                  .arg(qRound(keyCentre.x()))
                  .arg(qRound(keyCentre.y()))
                  .toUtf8());
}

class LaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run by app_snaps_page.sh";
        m_platform = platform::makeDesktopPlatform("com.corvane.tilewick", "Tilewick");
        platform::Platform::install(m_platform);
    }
    void TearDown() override { platform::Platform::uninstall(); }

    std::shared_ptr<platform::Platform> m_platform;
};

TEST_F(LaunchTest, ATerminalStartedOnTheRightOpensInTheLeftHalfOfTheLeft) {
    const QRect visible = visibleArea(*m_platform, 0);
    const QRect target(visible.x(), visible.y(), visible.width() / 2, visible.height());
    expectTerminalPlaced("80x24+1400+100", target);
}

} // namespace
