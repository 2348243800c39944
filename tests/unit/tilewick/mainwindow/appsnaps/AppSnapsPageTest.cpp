#include "AppSnapsViewTest.h"

#include "support/Golden.h"

#include "platform/KeyCodes.h"
#include "platform/sim/SimInstalledApplications.h"

#include "tilewick/mainwindow/appsnaps/AppPicker.h"
#include "tilewick/mainwindow/appsnaps/AppPickerList.h"
#include "tilewick/mainwindow/appsnaps/AppSnapList.h"
#include "tilewick/mainwindow/appsnaps/AppSnapSetup.h"
#include "tilewick/mainwindow/appsnaps/AppSnapsPage.h"
#include "tilewick/mainwindow/appsnaps/PickerBoxView.h"
#include "tilewick/visuals/CVButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

namespace {

using namespace tilewick;
using A = SnapAction;

const InstalledApp kNotes = AppSnapsViewTest::app("Notes");
const InstalledApp kSafari = AppSnapsViewTest::app("Safari");

class AppSnapsPageTest : public AppSnapsViewTest {
protected:
    void prepareDesktop() override {
        for (int i = 0; i < screenCount; ++i)
            desktop().addScreen({i * 1000.0, 0, 1000, 800}, {i * 1000.0, 25, 1000, 775},
                                i == 0 ? QStringLiteral("Studio") : QStringLiteral("Side"));
    }
    AppSnapsPage& makePage() {
        QWidget& host = shownWindow({960, 360});
        page = new AppSnapsPage(context(), &host);
        page->show();
        QCoreApplication::processEvents();
        return *page;
    }
    AppSnapSetup& setup() const { return *page->setup(); }
    bool shown(QWidget* widget) const { return widget->isVisibleTo(page); }
    QString uuid(int index) { return desktop().screens().at(index).uuid; }
    void save(const AppSnap& snap) { store().setAppSnaps(store().appSnaps() + QList<AppSnap>{snap}); }

    int screenCount = 2;
    AppSnapsPage* page = nullptr;
};

class OneDisplayPageTest : public AppSnapsPageTest {
protected:
    void prepareDesktop() override {
        screenCount = 1;
        AppSnapsPageTest::prepareDesktop();
    }
};

TEST_F(AppSnapsPageTest, NothingChosenShowsThePickerAlone) {
    makePage();
    EXPECT_FALSE(shown(setup().displayChooser()));
    EXPECT_FALSE(shown(setup().multiWindow()));
    EXPECT_FALSE(shown(setup().savedRow()));
    EXPECT_EQ(page->subtitle(),
              QStringLiteral("Choose an app, then select a key to define its launch layout."));
    EXPECT_EQ(setup().picker()->box()->field()->placeholderText(), QStringLiteral("Search & select app"));
}

TEST_F(AppSnapsPageTest, ShowingThePageHasTheApplicationsFound) {
    platform().service<platform::sim::SimInstalledApplications>().setApplications(
        {platform::InstalledApplication{.id = "org.atlas", .name = "Atlas", .path = "/apps/atlas.desktop"}});
    makePage();
    runtime().runUntilIdle();
    ASSERT_EQ(store().installedApps().size(), 1);
    EXPECT_EQ(store().installedApps().first().name, QStringLiteral("Atlas"));
}

TEST_F(AppSnapsPageTest, ChoosingAnApplicationWithTwoDisplaysPreselectsTheFirst) {
    makePage();
    store().chooseAppSnapApp(kSafari);
    ASSERT_TRUE(shown(setup().displayChooser()));
    QComboBox* popUp = setup().displayChooser()->popUp();
    ASSERT_EQ(popUp->count(), 2);
    EXPECT_EQ(popUp->itemText(0), QStringLiteral("Studio"));
    EXPECT_EQ(popUp->itemText(1), QStringLiteral("Side"));
    EXPECT_EQ(popUp->currentIndex(), 0);
    EXPECT_EQ(setup().displayChooser()->label()->text(), QStringLiteral("Choose display to open Safari in"));
    EXPECT_FALSE(shown(setup().savedRow()));
    EXPECT_EQ(page->subtitle(), QStringLiteral("Select a key to define Safari's launch layout."));
}

TEST_F(OneDisplayPageTest, WithOneDisplayThereIsNoChooserAndASavedSnapHasNoDisplay) {
    makePage();
    store().chooseAppSnapApp(kSafari);
    EXPECT_FALSE(shown(setup().displayChooser()));
    store().chooseAppSnapApp(kSafari);
    store().assignAppSnapKey(A::leftHalf);
    ASSERT_EQ(store().appSnaps().size(), 1);
    EXPECT_EQ(store().appSnaps().first().displayName, std::nullopt);
}

TEST_F(AppSnapsPageTest, PickingADisplaySavesTheSavedSnapAtOnce) {
    save(AppSnap{kNotes.id, kNotes.name, A::leftHalf, false, uuid(0), QStringLiteral("Studio")});
    makePage();
    store().chooseAppSnapApp(kNotes);
    ASSERT_TRUE(shown(setup().savedRow()));
    EXPECT_EQ(setup().savedText(), QStringLiteral("Opens in the left half on Studio"));

    QComboBox* popUp = setup().displayChooser()->popUp();
    popUp->setCurrentIndex(1);
    emit popUp->activated(1);
    EXPECT_EQ(store().appSnapDisplayID(), uuid(1));
    EXPECT_EQ(store().appSnaps().first().displayName, QStringLiteral("Side"));
    EXPECT_EQ(setup().savedText(), QStringLiteral("Opens in the left half on Side"));
}

TEST_F(AppSnapsPageTest, ADisplayThatIsGoneLeavesThePopUpWithoutASelection) {
    save(AppSnap{kNotes.id, kNotes.name, A::leftHalf, false, QStringLiteral("GONE-DISPLAY"),
                 QStringLiteral("Old")});
    makePage();
    store().chooseAppSnapApp(kNotes);
    EXPECT_EQ(store().appSnapDisplayID(), QStringLiteral("GONE-DISPLAY"));
    EXPECT_EQ(setup().displayChooser()->popUp()->currentIndex(), -1);
    // A key chosen meanwhile saves no display.
    store().assignAppSnapKey(A::rightHalf);
    EXPECT_EQ(store().appSnaps().first().displayID, std::nullopt);
}

TEST_F(AppSnapsPageTest, TheChooserStacksWhenTheLabelAndPopUpDoNotFitSideBySide) {
    makePage();
    store().chooseAppSnapApp(kSafari);
    DisplayChooser* chooser = setup().displayChooser();
    EXPECT_TRUE(chooser->sideBySide());
    store().chooseAppSnapApp(InstalledApp{"org.long", QString(40, u'W'), {}, {}});
    EXPECT_FALSE(chooser->sideBySide());
    EXPECT_EQ(chooser->popUp()->geometry().top(), chooser->label()->geometry().bottom() + 1 + 6);
    EXPECT_EQ(chooser->popUp()->geometry().left(), 0);
}

TEST_F(AppSnapsPageTest, TheCheckboxShowsOnlyWhenOfferedOrAlreadyOn) {
    makePage();
    store().chooseAppSnapApp(kSafari); // nothing tells it can open several windows
    EXPECT_FALSE(store().appSnapCanMulti());
    EXPECT_FALSE(shown(setup().multiWindow()));
    store().setAppSnapCanMulti(true);
    ASSERT_TRUE(shown(setup().multiWindow()));
    EXPECT_EQ(setup().multiWindow()->text(), QStringLiteral("Open Safari in multiple windows"));
    EXPECT_FALSE(setup().multiWindow()->isChecked());

    // A multi-window snap shows it ticked even for an application not thought able; clearing
    // it saves the snap for one window.
    save(AppSnap{kNotes.id, kNotes.name, store().multiWindowAction(A::leftHalf), true});
    store().chooseAppSnapApp(kNotes);
    ASSERT_FALSE(store().appSnapCanMulti());
    ASSERT_TRUE(shown(setup().multiWindow()));
    EXPECT_TRUE(setup().multiWindow()->isChecked());
    setup().multiWindow()->click();
    EXPECT_FALSE(store().appSnapMulti());
    EXPECT_FALSE(store().appSnaps().first().multiWindow);
    EXPECT_FALSE(shown(setup().multiWindow())); // neither offered nor on any more
}

TEST_F(AppSnapsPageTest, TickingTheCheckboxOnACentredSnapRemovesItAndAsksForAKey) {
    save(AppSnap{kNotes.id, kNotes.name, A::centre});
    makePage();
    store().chooseAppSnapApp(kNotes);
    store().setAppSnapCanMulti(true);
    ASSERT_TRUE(shown(setup().savedRow()));
    setup().multiWindow()->click();
    EXPECT_TRUE(store().appSnaps().isEmpty());
    EXPECT_EQ(store().note(), QStringLiteral("Choose a key for Notes's windows."));
    EXPECT_FALSE(shown(setup().savedRow()));
}

TEST_F(AppSnapsPageTest, RemoveKeepsTheSetupAsItWas) {
    save(AppSnap{kNotes.id, kNotes.name, A::leftHalf, false, uuid(1), QStringLiteral("Side")});
    makePage();
    store().chooseAppSnapApp(kNotes);
    store().setAppSnapCanMulti(true);
    EXPECT_EQ(setup().removeButton()->accessibleDescription(),
              QStringLiteral("Notes goes back to opening wherever it likes"));
    setup().removeButton()->click();
    EXPECT_TRUE(store().appSnaps().isEmpty());
    EXPECT_EQ(store().note(), QStringLiteral("Notes will open wherever it likes again."));
    EXPECT_EQ(store().appSnapApp(), kNotes);
    EXPECT_EQ(store().appSnapDisplayID(), uuid(1));
    EXPECT_TRUE(shown(setup().multiWindow()));
    EXPECT_FALSE(shown(setup().savedRow()));
}

TEST_F(AppSnapsPageTest, ALongDescriptionIsCutWhileRemoveStaysWhole) {
    const QString longName(120, u'D');
    save(AppSnap{kNotes.id, kNotes.name, A::leftHalf, false, uuid(0), longName});
    makePage();
    store().chooseAppSnapApp(kNotes);
    QWidget* row = setup().savedRow();
    CVButton* remove = setup().removeButton();
    EXPECT_EQ(remove->width(), remove->sizeHint().width());
    EXPECT_LE(remove->geometry().right(), row->width() - 1);
    QWidget* text = row->childAt(0, row->height() / 2);
    ASSERT_NE(text, nullptr);
    EXPECT_GE(remove->geometry().left() - text->geometry().right() - 1, 4);
}

TEST_F(AppSnapsPageTest, PossessiveEndings) {
    struct Case {
        const char* name;
        const char* subtitle;
    };
    for (const Case c : {Case{"Notes", "Select a key to define Notes' launch layout."},
                         {"Safari", "Select a key to define Safari's launch layout."},
                         {"NOTES", "Select a key to define NOTES's launch layout."},
                         {"Ibis", "Select a key to define Ibis' launch layout."},
                         {"Café", "Select a key to define Café's launch layout."}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AppSnapsPage::subtitleFor(InstalledApp{"x", QString::fromUtf8(c.name), {}, {}}),
                  QString::fromUtf8(c.subtitle));
    }
}

// --- The saved list ------------------------------------------------------------------------

class AppSnapListTest : public AppSnapsPageTest {
protected:
    AppSnapList& list() const { return *page->list(); }
    QStringList names() const {
        QStringList shown;
        for (const AppSnapRow* row : list().rows())
            shown.append(row->snap().name);
        return shown;
    }
    AppSnapRow* row(const QString& name) const {
        for (AppSnapRow* r : list().rows())
            if (r->snap().name == name)
                return r;
        return nullptr;
    }
};

TEST_F(AppSnapListTest, RowsAreSortedByNameAsPeopleSortWithoutReorderingTheStore) {
    for (const char* name : {"Zed", "app 10", "Ärger", "App 2", "Beta"})
        save(AppSnap{"org." + QString::fromUtf8(name), QString::fromUtf8(name), A::leftHalf});
    makePage();
    EXPECT_EQ(names(), (QStringList{"App 2", "app 10", QString::fromUtf8("Ärger"), "Beta", "Zed"}));
    EXPECT_EQ(store().appSnaps().first().name, QStringLiteral("Zed"));
}

TEST_F(AppSnapListTest, TheChosenApplicationsRowIsSelected) {
    save(AppSnap{kNotes.id, kNotes.name, A::leftHalf});
    save(AppSnap{kSafari.id, kSafari.name, A::rightHalf});
    makePage();
    EXPECT_FALSE(row("Notes")->selected());
    store().chooseAppSnapApp(kNotes);
    EXPECT_TRUE(row("Notes")->selected());
    EXPECT_FALSE(row("Safari")->selected());
}

TEST_F(AppSnapListTest, TipsSayWhereTheSnapOpens) {
    struct Case {
        AppSnap snap;
        const char* tip;
    };
    const Case cases[] = {
        {{"a", "A", A::leftHalf}, "Opens in the left half. Click to change"},
        {{"b", "B", A::leftHalf, false, "ID", QStringLiteral("Side")},
         "Opens in the left half on Side. Click to change"},
        {{"c", "C", A::maximize}, "Opens maximised. Click to change"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tip);
        EXPECT_EQ(AppSnapRow::tipText(c.snap), QString::fromUtf8(c.tip));
    }
    save(AppSnap{kNotes.id, kNotes.name, A::leftHalf});
    makePage();
    EXPECT_EQ(row("Notes")->accessibleDescription(),
              QStringLiteral("Opens in the left half. Click to change"));
    EXPECT_EQ(row("Notes")->editButton()->accessibleName(), QStringLiteral("Edit where Notes opens"));
    EXPECT_EQ(row("Notes")->removeButton()->accessibleName(),
              QStringLiteral("Remove: Notes opens wherever it likes again"));
}

TEST_F(AppSnapListTest, EditingChoosesTheApplicationWithoutOpeningThePicker) {
    save(AppSnap{kNotes.id, kNotes.name, store().multiWindowAction(A::leftHalf), true, uuid(1),
                 QStringLiteral("Side")});
    store().setInstalledApps({kNotes});
    makePage();
    QTest::mouseClick(row("Notes"), Qt::LeftButton, {}, QPoint(60, 16));
    EXPECT_EQ(store().appSnapApp(), kNotes);
    EXPECT_TRUE(store().appSnapMulti());
    EXPECT_EQ(store().appSnapDisplayID(), uuid(1));
    EXPECT_FALSE(store().appPickerOpen());

    store().setAppSnapApp(std::nullopt);
    row("Notes")->editButton()->click();
    EXPECT_EQ(store().appSnapApp(), kNotes);
}

TEST_F(AppSnapListTest, TheTrashButtonAndTheMenuRemoveEverySnapOfTheApplication) {
    for (const char* way : {"trash", "menu"}) {
        SCOPED_TRACE(way);
        store().setAppSnaps({AppSnap{kNotes.id, kNotes.name, A::leftHalf},
                             AppSnap{kSafari.id, kSafari.name, A::rightHalf},
                             AppSnap{kNotes.id, kNotes.name, A::rightHalf}});
        makePage();
        if (QString(way) == "trash") {
            row("Notes")->removeButton()->click();
        } else {
            QMenu* menu = row("Notes")->makeContextMenu();
            ASSERT_EQ(menu->actions().size(), 1);
            EXPECT_EQ(menu->actions().first()->text(), QStringLiteral("Remove"));
            menu->actions().first()->trigger();
        }
        ASSERT_EQ(store().appSnaps().size(), 1);
        EXPECT_EQ(store().appSnaps().first().name, QStringLiteral("Safari"));
        EXPECT_EQ(store().note(), QStringLiteral("Notes will open wherever it likes again."));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(names(), QStringList{"Safari"});
    }
}

TEST_F(AppSnapListTest, ThousandsOfSnapsMakeOnlyTheRowsInViewAndScrollThroughAll) {
    QList<AppSnap> snaps;
    for (int i = 0; i < 3000; ++i)
        snaps.append(
            AppSnap{QStringLiteral("org.app%1").arg(i), QStringLiteral("App %1").arg(i), A::leftHalf});
    store().setAppSnaps(snaps);
    makePage();
    auto* scroll = list().findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    QScrollBar* bar = scroll->verticalScrollBar();
    // The column is as high as all the rows: 32 points each, 2 between.
    EXPECT_EQ(bar->maximum() + scroll->viewport()->height(), 3000 * 34 - 2);
    const auto inView = [&] {
        QStringList names;
        for (const AppSnapRow* row : list().rows()) {
            EXPECT_EQ(row->width(), scroll->viewport()->width());
            const QRect shown(row->mapTo(scroll->viewport(), QPoint()), row->size());
            if (scroll->viewport()->rect().intersects(shown))
                names.append(row->snap().name);
        }
        return names;
    };
    EXPECT_LT(list().rows().size(), 12);
    EXPECT_EQ(inView().first(), QStringLiteral("App 0"));

    bar->setValue(bar->maximum());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_LT(list().rows().size(), 12);
    // Sorted as people sort: App 2999 is the last.
    EXPECT_EQ(inView().last(), QStringLiteral("App 2999"));
    EXPECT_EQ(row("App 2999")->mapTo(scroll->viewport(), QPoint()).y() + AppSnapRow::kHeight,
              scroll->viewport()->height());
    EXPECT_EQ(row("App 0"), nullptr);

    // A row made on the way still edits and removes its own snap.
    row("App 2999")->removeButton()->click();
    EXPECT_EQ(store().appSnaps().size(), 2999);
    EXPECT_EQ(store().note(), QStringLiteral("App 2999 will open wherever it likes again."));
}

TEST_F(AppSnapListTest, AnApplicationTheDesktopDoesNotKnowIsLookedUpEachTime) {
    save(AppSnap{"org.gone", "Gone", A::leftHalf});
    makePage();
    page->grab();
    const int asked = lookUps;
    EXPECT_GE(asked, 1);
    page->grab();
    EXPECT_GT(lookUps, asked);
}

// --- Pictures ------------------------------------------------------------------------------

class AppSnapsPagePictures : public AppSnapsPageTest {
protected:
    // The page item in a scene of its own, drawn at twice the size.
    QImage picture(Scheme scheme, QSizeF area = {922, 330}) {
        appearance().force(scheme);
        QGraphicsScene scene;
        // No icon theme: the pictures do not depend on the machine's.
        auto* item =
            new AppSnapsPageItem(store(), ViewServices::of(platform()), {},
                                 AppSnapsPageItem::iconsFor(store(), [](const QString&) { return QIcon(); }));
        scene.addItem(item);
        item->setPos(0, 14);
        runtime().runUntilIdle();
        QCoreApplication::processEvents();
        QImage image((area * 2).toSize(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Theme::background.resolve(scheme));
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        scene.render(&painter, QRectF(QPointF(), area * 2), QRectF(QPointF(), area));
        return image;
    }
};

TEST_F(AppSnapsPagePictures, WithoutSavedSnaps) {
    EXPECT_TRUE(matchesGolden(picture(Scheme::Light), "mainwindow/appsnaps-empty-light"));
    EXPECT_TRUE(matchesGolden(picture(Scheme::Dark), "mainwindow/appsnaps-empty-dark"));
}

TEST_F(AppSnapsPagePictures, WithSavedSnapsAndAChosenApplication) {
    save(AppSnap{kNotes.id, kNotes.name, A::leftHalf, false, uuid(1), QStringLiteral("Side")});
    save(AppSnap{kSafari.id, kSafari.name, store().multiWindowAction(A::leftHalf), true});
    save(AppSnap{"org.gone", "Gone", A::maximize});
    store().chooseAppSnapApp(kNotes);
    store().setAppSnapCanMulti(true);
    EXPECT_TRUE(matchesGolden(picture(Scheme::Light), "mainwindow/appsnaps-saved-light"));
    EXPECT_TRUE(matchesGolden(picture(Scheme::Dark), "mainwindow/appsnaps-saved-dark"));
}

TEST_F(AppSnapsPagePictures, TheOpenPickerDropsItsListOverWhatLiesBelow) {
    store().setInstalledApps(apps({"Atlas", "Books", "Calendar", "Dictionary"}));
    save(AppSnap{"org.books", "Books", A::rightHalf});
    store().openAppPicker();
    store().setAppPickerQuery(QStringLiteral("a"));
    EXPECT_TRUE(matchesGolden(picture(Scheme::Light, {922, 420}), "mainwindow/appsnaps-picker-light"));
    EXPECT_TRUE(matchesGolden(picture(Scheme::Dark, {922, 420}), "mainwindow/appsnaps-picker-dark"));
}

} // namespace

namespace {

// The page item in a view of its own, scaled as the page area scales pages, with a host that
// keeps the frames it is told.
class AppSnapsPageItemTest : public AppSnapsPageTest {
protected:
    void makeItem() {
        view = std::make_unique<QGraphicsView>();
        scene.setSceneRect(0, 0, 1100, 500);
        view->setScene(&scene);
        view->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        view->resize(1100, 500);
        AppSnapsPageItem::Host host;
        host.rootPoint = [](QPointF scenePos) { return scenePos; }; // the scene is the root
        host.setAppPickerFrame = [this](const QRectF& frame) { pickerFrame = frame; };
        host.setAppPickerListFrame = [this](const QRectF& frame) { listFrame = frame; };
        item = new AppSnapsPageItem(store(), ViewServices::of(platform()), host);
        scene.addItem(item);
        item->setPos(20, 30);
        view->show();
        view->activateWindow();
        QCoreApplication::processEvents();
    }
    void TearDown() override {
        view.reset();
        AppSnapsPageTest::TearDown();
    }

    QGraphicsScene scene;
    std::unique_ptr<QGraphicsView> view;
    AppSnapsPageItem* item = nullptr;
    QRectF pickerFrame, listFrame;
};

TEST_F(AppSnapsPageItemTest, ReportsThePickerAndItsListWhereTheyAreInTheView) {
    store().setInstalledApps(apps({"Atlas", "Books", "Calendar"}));
    makeItem();
    const QRectF box = pickerFrame;
    EXPECT_EQ(box.size(), QSizeF(422, 36));
    EXPECT_EQ(box.left(), 20 + 16);
    EXPECT_EQ(listFrame, QRectF());

    store().openAppPicker();
    ASSERT_NE(item->pickerList(), nullptr);
    EXPECT_EQ(listFrame, QRectF(box.left(), box.top() + 42, 422, 145));

    // A new scale moves both: the host hears of it through frameChanged().
    item->setScale(0.5);
    item->frameChanged();
    EXPECT_EQ(pickerFrame.size(), QSizeF(211, 18));
    EXPECT_EQ(listFrame.top(), pickerFrame.top() + 21);

    store().closeAppPicker();
    EXPECT_EQ(item->pickerList(), nullptr);
    EXPECT_EQ(listFrame, QRectF());
}

TEST_F(AppSnapsPageItemTest, ChoosingWithReturnTakesTheKeyboardFromTheField) {
    store().setInstalledApps(apps({"Atlas", "Books"}));
    makeItem();
    PickerTextField* field = item->page()->setup()->picker()->box()->field();
    item->page()->setup()->picker()->box()->onClick();
    runtime().runUntilIdle();
    ASSERT_TRUE(store().appPickerOpen());
    EXPECT_TRUE(field->hasFocus());
    store().handleAppPickerKey(platform::kReturnKeyCode);
    runtime().runUntilIdle();
    EXPECT_EQ(store().appSnapApp(), app("Atlas"));
    EXPECT_FALSE(store().appPickerOpen());
    EXPECT_FALSE(field->hasFocus());
}

} // namespace

namespace {

// What a widget was last told of its focus: the caret of a line edit blinks from a focus-in
// event until a focus-out event.
class ToldFocus final : public QObject {
public:
    explicit ToldFocus(QWidget& widget) { widget.installEventFilter(this); }
    bool focused = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
            focused = event->type() == QEvent::FocusIn;
        return false;
    }
};

TEST_F(AppSnapsPageItemTest, TheFieldLosesItsCaretWhenTheKeyboardClosesTheList) {
    store().setInstalledApps(apps({"Atlas", "Books"}));
    makeItem();
    AppPicker* picker = item->page()->setup()->picker();
    ToldFocus field(*picker->box()->field());
    const auto openByClick = [&] {
        picker->box()->onClick();
        runtime().runUntilIdle();
        ASSERT_TRUE(store().appPickerOpen());
        ASSERT_TRUE(field.focused);
    };
    struct Path {
        const char* name;
        std::function<void()> close;
    };
    const Path paths[] = {
        {"Return", [&] { store().handleAppPickerKey(platform::kReturnKeyCode); }},
        {"Escape", [&] { store().handleAppPickerKey(platform::kEscapeKeyCode); }},
        {"a layout key", [&] { store().assignAppSnapKey(A::leftHalf); }},
        {"editing a saved row",
         [&] {
             ASSERT_EQ(store().appSnaps().size(), 1); // saved by the layout key
             store().editAppSnap(store().appSnaps().front());
         }},
    };
    for (const Path& path : paths) {
        openByClick();
        path.close();
        runtime().runUntilIdle();
        EXPECT_FALSE(store().appPickerOpen()) << path.name;
        EXPECT_FALSE(field.focused) << path.name;
    }
}

} // namespace
