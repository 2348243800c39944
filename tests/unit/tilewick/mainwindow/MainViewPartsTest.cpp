#include "support/Golden.h"
#include "support/StoreTest.h"

#include "tilewick/mainwindow/Banner.h"
#include "tilewick/mainwindow/FitContainers.h"
#include "tilewick/mainwindow/Header.h"
#include "tilewick/mainwindow/LiveResize.h"
#include "tilewick/mainwindow/MainView.h"
#include "tilewick/mainwindow/PageArea.h"
#include "tilewick/mainwindow/TabBar.h"
#include "tilewick/mainwindow/TabPage.h"
#include "tilewick/mainwindow/Toast.h"
#include "tilewick/visuals/CVButton.h"
#include "tilewick/visuals/keyboard/KeyCapItem.h"
#include "tilewick/visuals/keyboard/KeyboardView.h"

#include "betakit/BetaFeedbackButton.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QHoverEvent>
#include <QTest>

namespace {

using namespace tilewick;

const QList<ConflictingApp> kTwoConflicts{{"com.example.grid", "Gridline", 11},
                                          {"com.example.tiles", "Tiler", 12}};

class MainViewParts : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        makeStore();
    }
    void TearDown() override {
        view.reset();
        StoreTest::TearDown();
    }
    MainView& make(QSize size, MainViewOptions options = {}) {
        view = std::make_unique<MainView>(store(), ViewServices::of(platform()), std::move(options));
        view->resize(size);
        view->show();
        QCoreApplication::sendPostedEvents();
        return *view;
    }
    CVButton* bannerButton(int banner, const QString& title) {
        for (QWidget* action : view->banners()->banners()[banner]->actions())
            if (auto* button = qobject_cast<CVButton*>(action); button && button->label().text == title)
                return button;
        return nullptr;
    }

    std::unique_ptr<MainView> view;
};

TEST_F(MainViewParts, BelowSixHundredHighTheTabBarEndsWithTheHeadersButtons) {
    store().setHotkeysActive(false);
    make({956, 599});
    EXPECT_TRUE(view->header()->isHidden());
    EXPECT_FALSE(view->tabBar()->warning()->isHidden());
    EXPECT_FALSE(view->tabBar()->manualButton()->isHidden());
    EXPECT_TRUE(view->tabBar()->feedbackButton()->iconOnly());
    EXPECT_EQ(view->tabBar()->geometry().top(), 10); // no banners: the banner stack's top padding alone

    view->resize(956, 600);
    EXPECT_FALSE(view->header()->isHidden());
    EXPECT_TRUE(view->tabBar()->manualButton()->isHidden());
    EXPECT_TRUE(view->tabBar()->feedbackButton()->isHidden());
    EXPECT_EQ(view->tabBar()->geometry().top(), view->header()->geometry().bottom() + 1);
}

TEST_F(MainViewParts, HeaderItemsFollowTheWholeWidth) {
    store().setHotkeysActive(false);
    struct Case {
        int width;
        bool chip, symbol, overlay, login, help, credit;
    };
    const Case cases[] = {
        {400, false, true, false, false, true, false}, // the row has no room for the credit
        {699, false, true, false, false, true, true},
        // The chip leaves no room for it at 700; at 860 the feedback button has lost its label.
        {700, true, false, false, false, true, false},
        {860, true, false, false, true, true, true},
        {1040, true, false, true, true, true, false},
    };
    for (const Case& c : cases) {
        make({c.width, 891});
        Header& header = *view->header();
        EXPECT_EQ(!header.warningChip()->isHidden(), c.chip) << c.width;
        EXPECT_EQ(!header.warningSymbol()->isHidden(), c.symbol) << c.width;
        EXPECT_EQ(!header.overlaySwitch()->isHidden(), c.overlay) << c.width;
        EXPECT_EQ(!header.loginSwitch()->isHidden(), c.login) << c.width;
        EXPECT_EQ(!header.manualButton()->isHidden(), c.help) << c.width;
        EXPECT_EQ(header.showsCredit(), c.credit) << c.width;
    }
    // With hotkeys working the credit has room again.
    store().setHotkeysActive(true);
    make({956, 891});
    EXPECT_TRUE(view->header()->showsCredit());
    // Below 280 the manual and feedback buttons go.
    make({279, 891});
    EXPECT_TRUE(view->header()->manualButton()->isHidden());
    EXPECT_TRUE(view->header()->feedbackButton()->isHidden());
}

TEST_F(MainViewParts, NotTrustedWithTwoConflictsShowsThreeBannersInOrder) {
    store().setTrusted(false);
    store().setConflicts(kTwoConflicts);
    make({956, 891});
    const QList<Banner*> banners = view->banners()->banners();
    ASSERT_EQ(banners.size(), 3);
    EXPECT_EQ(banners[0]->title(), "Allow Tilewick to move windows");
    EXPECT_EQ(banners[1]->title(), "Gridline is running too");
    EXPECT_EQ(banners[2]->title(), "Tiler is running too");
    EXPECT_EQ(banners[0]->tone(), StatusTone::warn);
    EXPECT_EQ(banners[1]->tone(), StatusTone::danger);
    const int width = view->banners()->width();
    int expected = 4 + 2 * 10;
    for (Banner* banner : banners)
        expected += banner->heightForWidth(width);
    EXPECT_EQ(view->banners()->height(), expected);

    // The buttons call the store.
    bannerButton(0, "Open Accessibility Settings")->click();
    EXPECT_EQ(store().note(), QString::fromUtf8(TilewickStore::kTrustNote));
    bannerButton(1, "Open Login Items")->click();
    EXPECT_EQ(loginItems().openSettingsCount(), 1);
    int quits = 0;
    shell->onTerminate = [&] { ++quits; };
    bannerButton(2, "Quit Tilewick")->click();
    EXPECT_EQ(quits, 1);

    // The store's list goes: so do the banners, and the stack's padding.
    store().setTrusted(true);
    store().setConflicts({});
    EXPECT_TRUE(view->banners()->banners().isEmpty());
    EXPECT_EQ(view->banners()->height(), 0);
}

TEST_F(MainViewParts, TheViewFollowsEachTabChange) {
    make({956, 891});
    store().setTab(SnapTab::halves);
    store().beginRecording(SnapAction::leftHalf);
    store().setTab(SnapTab::thirds);
    EXPECT_FALSE(store().recording());
    store().setAppPickerOpen(true);
    store().setAppPickerQuery("fire");
    store().setTab(SnapTab::appSnaps);
    EXPECT_TRUE(store().appPickerOpen());
    store().setTab(SnapTab::global);
    EXPECT_FALSE(store().appPickerOpen());
    EXPECT_TRUE(store().appPickerQuery().isEmpty());
    EXPECT_EQ(view->pageColumn()->page()->tab(), SnapTab::global);
    EXPECT_EQ(TabPage::titleOf(SnapTab::global), "General hotkeys");
    EXPECT_EQ(TabPage::titleOf(SnapTab::halves), title(SnapTab::halves));
}

TEST_F(MainViewParts, PointingAtATabButtonSelectsItsTab) {
    make({956, 891});
    TabButton* quarters = view->tabBar()->buttons()[indexOf(SnapTab::quarters)];
    EXPECT_EQ(quarters->accessibleName(), title(SnapTab::quarters));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(quarters, &enter);
    EXPECT_EQ(store().tab(), SnapTab::quarters);
    QTest::mouseClick(view->tabBar()->buttons()[indexOf(SnapTab::eighths)], Qt::LeftButton);
    EXPECT_EQ(store().tab(), SnapTab::eighths);
}

TEST_F(MainViewParts, AClickOnAnEmptyBandRestoresTheWindowSize) {
    shell->mainWindow = MainWindowState{{200, 300, 700, 500}, false, QRectF(0, 23, 1280, 777)};
    make({956, 891});
    // A tab button takes its click.
    QTest::mouseClick(view->tabBar()->buttons()[1], Qt::LeftButton);
    EXPECT_TRUE(shell->frames.empty());
    // The tab bar's empty end and the header's middle do not.
    QTest::mouseClick(view->tabBar(), Qt::LeftButton, {}, QPoint(view->tabBar()->width() - 5, 29));
    ASSERT_EQ(shell->frames.size(), 1u);
    EXPECT_TRUE(shell->frames[0].second); // animated
    shell->mainWindow->frame = {200, 300, 700, 500};
    QTest::mouseClick(view->header(), Qt::LeftButton, {}, QPoint(view->header()->width() / 2 + 40, 10));
    EXPECT_EQ(shell->frames.size(), 2u);
}

TEST_F(MainViewParts, TheSwitchesAskTheStore) {
    make({1100, 891});
    Header& header = *view->header();
    EXPECT_EQ(header.overlaySwitch()->isChecked(), store().keyboardOverlay());
    header.overlaySwitch()->click();
    EXPECT_FALSE(store().keyboardOverlay());
    EXPECT_FALSE(header.overlaySwitch()->isChecked());
    header.loginSwitch()->click();
    EXPECT_EQ(loginItems().registerCount(), 1);
    EXPECT_TRUE(header.loginSwitch()->isChecked());
}

TEST_F(MainViewParts, TheNoteSlidesInAndOut) {
    make({956, 891});
    Toast& toast = *view->toast();
    EXPECT_DOUBLE_EQ(toast.presence(), 0);
    store().showNote("Saved.");
    EXPECT_EQ(toast.text(), "Saved.");
    runtime().advance(0.1);
    EXPECT_GT(toast.presence(), 0.5); // easing out: more than half way at half the time
    EXPECT_LT(toast.presence(), 1);
    runtime().advance(0.1);
    EXPECT_DOUBLE_EQ(toast.presence(), 1);
    const QRectF card = Toast::cardFrame(toast.size(), "Saved.");
    EXPECT_DOUBLE_EQ(card.bottom(), 891 - 56);
    EXPECT_NEAR(card.center().x(), 956 / 2.0, 1e-9);
    // The store clears the note 5 s later; the text stays while it slides out.
    runtime().advance(5);
    EXPECT_FALSE(store().note());
    EXPECT_DOUBLE_EQ(toast.presence(), 0);
    EXPECT_EQ(toast.text(), "Saved.");
    // A long note wraps and the card grows.
    const QString longNote(400, QChar('a'));
    EXPECT_GT(Toast::cardFrame({956, 891}, longNote.split("").join(" ")).height(), card.height() * 2);
}

TEST_F(MainViewParts, TipsShowOverTheWindowAndAClickHidesThem) {
    make({956, 891});
    QWidget* feedback = view->header()->feedbackButton();
    EXPECT_EQ(feedback->accessibleDescription(), HeaderTips::feedback);
    QHoverEvent hover(QEvent::HoverEnter, QPointF(4, 4), QPointF(4, 4), QPointF());
    QCoreApplication::sendEvent(feedback, &hover);
    EXPECT_EQ(view->tips().text(), HeaderTips::feedback);
    EXPECT_EQ(view->tips().point(), QPointF(feedback->mapTo(view.get(), QPoint(4, 4))));
    runtime().advance(1.0);
    EXPECT_TRUE(view->tips().visible());
    QTest::mouseClick(view->tabBar()->buttons()[2], Qt::LeftButton);
    EXPECT_FALSE(view->tips().visible());
    // The keyboard's caps report their scene points in the view's coordinates.
    const QPointF inScene(100, 100);
    const QPointF root = view->tipRootPoint(inScene);
    EXPECT_EQ(root.toPoint(), view->pageArea()->mapTo(view.get(), view->pageArea()->mapFromScene(inScene)));
}

TEST_F(MainViewParts, TheKeyboardTakesTheWidthThePageAreaGives) {
    make({2000, 2300});
    EXPECT_DOUBLE_EQ(view->pageColumn()->keyboard()->metrics().width, 1040);
    make({956, 891});
    // As wide as the window between the paddings: the height leaves room for more.
    EXPECT_DOUBLE_EQ(view->pageColumn()->keyboard()->metrics().width, 956 - 48);
    // A small window: the smallest keyboard, shrunk to the floor and scrolled.
    make({480, 560});
    EXPECT_DOUBLE_EQ(view->pageColumn()->keyboard()->metrics().width, 660);
    EXPECT_DOUBLE_EQ(view->pageArea()->currentFit().scale, 0.94);
    EXPECT_TRUE(view->pageArea()->currentFit().scrollsHorizontally);
}

// The whole view, as the window shows it, with the permission banner and a clashing utility.
class MainViewPictures : public MainViewParts {
protected:
    QImage picture(QSize size, Scheme scheme) {
        appearance().force(scheme);
        // The status poll reads the desktop: it stays untrusted.
        desktop().setTrusted(false);
        store().setTrusted(false);
        store().setHotkeysActive(false);
        store().setConflicts(kTwoConflicts.mid(0, 1));
        make(size);
        runtime().advance(1);
        return view->grab().toImage();
    }
};

TEST_F(MainViewPictures, WholeWindowInBothSchemes) {
    EXPECT_TRUE(matchesGolden(picture({956, 891}, Scheme::Light), "mainwindow/main-956x891-light"));
    EXPECT_TRUE(matchesGolden(picture({956, 891}, Scheme::Dark), "mainwindow/main-956x891-dark"));
    EXPECT_TRUE(matchesGolden(picture({480, 560}, Scheme::Light), "mainwindow/main-480x560-light"));
    EXPECT_TRUE(matchesGolden(picture({480, 560}, Scheme::Dark), "mainwindow/main-480x560-dark"));
}

// A drag of the window's edge: from its second step the page and the tab buttons show the
// pictures kept when it began, and once no step has come for the settle time the window is
// drawn afresh, exactly as a window opened at that size.
TEST_F(MainViewPictures, ADragShowsKeptPicturesAndSettlesOnTheExactPicture) {
    const QImage fresh = picture({899, 853}, Scheme::Light);
    picture({956, 891}, Scheme::Light);
    // Each step drawn before the next, as the window manager waits for it.
    view->resize(953, 889);
    view->grab();
    EXPECT_FALSE(view->pageArea()->showsKeptPicture()) << "a single resize is drawn exactly";
    for (int step = 2; step <= 19; ++step) {
        view->resize(956 - 3 * step, 891 - 2 * step);
        view->grab();
    }
    EXPECT_TRUE(view->pageArea()->showsKeptPicture());
    EXPECT_TRUE(view->tabBar()->showsKeptPictures());
    const QImage dragging = view->grab().toImage();
    runtime().advance(LiveResize::kSettleTime);
    EXPECT_FALSE(view->pageArea()->showsKeptPicture());
    EXPECT_FALSE(view->tabBar()->showsKeptPictures());
    const QImage settled = view->grab().toImage();
    EXPECT_EQ(settled, fresh);
    EXPECT_NE(dragging, fresh);
}

TEST_F(MainViewParts, AHiddenWindowKeepsNoPictures) {
    make({956, 891}).hide();
    view->resize(900, 850);
    view->resize(890, 840);
    EXPECT_FALSE(view->pageArea()->showsKeptPicture());
    EXPECT_FALSE(view->tabBar()->showsKeptPictures());
}

// The keyboard type is asked again whenever the drawn keyboard refreshes: a layout switched while
// the program runs (us → de, ANSI → ISO) redraws the keys at the next store change.
TEST_F(MainViewParts, TheDrawnKeyboardFollowsALayoutSwitchedWhileRunning) {
    bool iso = false;
    make({956, 891}, MainViewOptions{{}, [&iso] { return iso; }});
    const KeyboardView* keyboard = view->pageColumn()->keyboard();
    const auto centreOf = [&](quint16 code) {
        const KeyCapItem* cap = keyboard->keyCap(code);
        return cap ? std::optional(cap->sceneBoundingRect().center()) : std::nullopt;
    };
    ASSERT_FALSE(centreOf(10)) << "no section key on an ANSI keyboard";
    const QPointF ansiGrave = centreOf(50).value();

    iso = true;
    const SnapTab first = store().tab();
    store().setTab(SnapTab::thirds);
    ASSERT_TRUE(centreOf(10)) << "the section key of the ISO keyboard";
    EXPECT_GT(centreOf(50)->y(), ansiGrave.y()) << "the grave accent moves down beside the left shift";

    iso = false;
    store().setTab(first);
    EXPECT_FALSE(centreOf(10));
    EXPECT_EQ(centreOf(50), ansiGrave);
}

} // namespace
