#include "AppSnapsViewTest.h"

#include "tilewick/mainwindow/appsnaps/AppPicker.h"
#include "tilewick/mainwindow/appsnaps/AppPickerList.h"
#include "tilewick/model/KeyboardMap.h"

#include "platform/KeyCodes.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

namespace {

using namespace tilewick;

class AppPickerTest : public AppSnapsViewTest {
protected:
    AppPicker& makePicker() {
        QWidget& host = shownWindow({460, 120});
        picker = new AppPicker(context(), &host);
        picker->setGeometry(16, 16, 422, AppPicker::kHeight);
        picker->show();
        // Something else than the field holds the keyboard to begin with.
        other = new QLineEdit(&host);
        other->setGeometry(16, 70, 100, 24);
        other->show();
        other->setFocus();
        QCoreApplication::processEvents();
        return *picker;
    }
    PickerTextField* field() const { return picker->box()->field(); }
    QString placeholder() const { return field()->placeholderText(); }
    bool fieldFocused() const { return QApplication::focusWidget() == field(); }
    void click(QWidget* target, QPoint at) {
        QTest::mouseClick(target, Qt::LeftButton, {}, at);
        runtime().runUntilIdle();
    }

    AppPicker* picker = nullptr;
    QLineEdit* other = nullptr;
};

TEST_F(AppPickerTest, TheBoxAndItsFieldAnswerToTheClassNamesTheSelfTestLooksFor) {
    makePicker();
    PickerBoxView* box = picker->box();
    EXPECT_STREQ(box->metaObject()->className(), "tilewick::PickerBoxView");
    EXPECT_STREQ(field()->metaObject()->className(), "tilewick::PickerTextField");
    // The glass and the chevron take no clicks: the box itself is hit there, the field between.
    const int middle = box->height() / 2;
    EXPECT_EQ(box->childAt(16, middle), nullptr);
    EXPECT_EQ(box->childAt(box->width() - 14, middle), nullptr);
    EXPECT_EQ(box->childAt(box->width() / 2, middle), field());
    EXPECT_EQ(box->glass()->geometry().left(), 10);
    EXPECT_EQ(box->chevron()->geometry().right() + 1, box->width() - 10);
    EXPECT_EQ(field()->geometry().left(), box->glass()->geometry().right() + 1 + 8);
    EXPECT_EQ(field()->geometry().right() + 1, box->chevron()->geometry().left() - 8);
}

TEST_F(AppPickerTest, AClickOnTheGlassTheChevronOrTheFieldOpensTheListAndFocusesTheField) {
    store().setInstalledApps(apps({"Atlas", "Dictionary"}));
    for (const char* where : {"glass", "chevron", "field"}) {
        SCOPED_TRACE(where);
        makePicker();
        PickerBoxView* box = picker->box();
        const int middle = box->height() / 2;
        const QPoint point = QString(where) == "glass"     ? QPoint(16, middle)
                             : QString(where) == "chevron" ? QPoint(box->width() - 14, middle)
                                                           : QPoint(box->width() / 2, middle);
        QWidget* hit = box->childAt(point) ? box->childAt(point) : box;
        click(hit, hit->mapFrom(box, point));
        EXPECT_TRUE(store().appPickerOpen());
        EXPECT_TRUE(fieldFocused());
        EXPECT_EQ(store().appPickerHighlight(), QStringLiteral("org.atlas"));

        // Clicking again never closes the list, and the field keeps the keyboard.
        click(box, QPoint(box->width() - 14, middle));
        EXPECT_TRUE(store().appPickerOpen());
        EXPECT_TRUE(fieldFocused());
        store().closeAppPicker();
        runtime().runUntilIdle();
    }
}

TEST_F(AppPickerTest, TypingFiltersThroughTheStoreAndLightsTheFirstMatch) {
    store().setInstalledApps(apps({"Atlas", "Calendar", "Dictionary", "Medic"}));
    makePicker();
    field()->setFocus();
    runtime().runUntilIdle();
    store().closeAppPicker(); // focus alone opened it; typing must open it too
    QTest::keyClicks(field(), QStringLiteral("d"));
    EXPECT_TRUE(store().appPickerOpen());
    EXPECT_EQ(store().appPickerQuery(), QStringLiteral("d"));
    EXPECT_EQ(store().appPickerHighlight(), QStringLiteral("org.dictionary"));

    QTest::keyClicks(field(), QStringLiteral("ic"));
    EXPECT_EQ(store().appPickerQuery(), QStringLiteral("dic"));
    EXPECT_EQ(store().appPickerHighlight(), QStringLiteral("org.dictionary"));

    QTest::keyClicks(field(), QStringLiteral("z"));
    EXPECT_EQ(store().appPickerHighlight(), std::nullopt); // nothing matches "dicz"

    // Back to empty: the list stays open on the first application of all.
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(field(), Qt::Key_Backspace);
    EXPECT_EQ(store().appPickerQuery(), QString());
    EXPECT_TRUE(store().appPickerOpen());
    EXPECT_EQ(store().appPickerHighlight(), QStringLiteral("org.atlas"));
}

TEST_F(AppPickerTest, TheChosenApplicationShowsOnlyWhileTheListIsClosedAndTheSearchEmpty) {
    store().setInstalledApps(apps({"Atlas", "Notes"}));
    makePicker();
    struct Case {
        const char* name;
        std::function<void()> setUp;
        bool showsChosen;
    };
    const InstalledApp notes = app("Notes");
    const Case cases[] = {
        {"nothing chosen", [] {}, false},
        {"chosen", [&] { store().chooseAppSnapApp(notes); }, true},
        {"chosen, list open", [&] { store().openAppPicker(); }, false},
        {"chosen, searching", [&] { store().setAppPickerQuery(QStringLiteral("at")); }, false},
        {"chosen again", [&] { store().chooseAppSnapApp(notes); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.setUp();
        runtime().runUntilIdle();
        EXPECT_EQ(picker->showsChosen(), c.showsChosen);
        EXPECT_EQ(placeholder(), c.showsChosen ? QString() : QStringLiteral("Search & select app"));
    }
}

TEST_F(AppPickerTest, TheChevronAndTheTipFollowTheListBeingOpen) {
    store().setInstalledApps(apps({"Atlas"}));
    makePicker();
    EXPECT_EQ(picker->box()->chevron()->symbol(), QStringLiteral("chevron.down"));
    EXPECT_EQ(picker->accessibleDescription(), QString::fromUtf8(AppPicker::kTip));
    store().openAppPicker();
    EXPECT_EQ(picker->box()->chevron()->symbol(), QStringLiteral("chevron.up"));
    EXPECT_EQ(picker->accessibleDescription(), QString()); // no tip while the list is open
    store().closeAppPicker();
    EXPECT_EQ(picker->box()->chevron()->symbol(), QStringLiteral("chevron.down"));
}

TEST_F(AppPickerTest, ClosingTheListTakesTheKeyboardOnlyFromTheField) {
    store().setInstalledApps(apps({"Atlas"}));
    makePicker();
    // The field being edited loses the keyboard when the list closes …
    field()->setFocus();
    runtime().runUntilIdle();
    ASSERT_TRUE(store().appPickerOpen());
    store().handleAppPickerKey(platform::kEscapeKeyCode);
    runtime().runUntilIdle();
    EXPECT_FALSE(fieldFocused());

    // … while focus elsewhere is left alone.
    store().openAppPicker();
    runtime().runUntilIdle();
    ASSERT_TRUE(fieldFocused()); // opening gave it to the field on the next turn
    other->setFocus();
    store().closeAppPicker();
    runtime().runUntilIdle();
    EXPECT_EQ(QApplication::focusWidget(), other);
}

TEST_F(AppPickerTest, ReturnChoosesTheLitApplicationAndTheBoxShowsIt) {
    store().setInstalledApps(apps({"Atlas", "Dictionary", "Medic"}));
    makePicker();
    QTest::keyClicks(field(), QStringLiteral("dic"));
    store().handleAppPickerKey(KeyboardMap::kDownArrow);
    EXPECT_EQ(store().appPickerHighlight(), QStringLiteral("org.medic"));
    store().handleAppPickerKey(platform::kReturnKeyCode);
    runtime().runUntilIdle();
    EXPECT_EQ(store().appSnapApp(), app("Medic"));
    EXPECT_FALSE(store().appPickerOpen());
    EXPECT_EQ(field()->text(), QString()); // the store emptied the search, and the field follows
    EXPECT_TRUE(picker->showsChosen());
}

// --- The list ------------------------------------------------------------------------------

class AppPickerListTest : public AppSnapsViewTest {
protected:
    AppPickerList& makeList() {
        QWidget& host = shownWindow({520, 420});
        list = new AppPickerList(context(), &host);
        list->show();
        QCoreApplication::processEvents();
        return *list;
    }
    QStringList names() const {
        QStringList shown;
        for (const PickerRow* row : list->rows())
            shown.append(row->app().name);
        return shown;
    }
    QScrollBar* bar() const { return list->scrollArea()->verticalScrollBar(); }
    // The lit row lies wholly inside the list's visible part.
    bool litRowVisible() const {
        for (const PickerRow* row : list->rows())
            if (row->highlighted()) {
                const QRect inViewport(row->mapTo(list->scrollArea()->viewport(), QPoint()), row->size());
                return list->scrollArea()->viewport()->rect().contains(inViewport);
            }
        return false;
    }

    AppPickerList* list = nullptr;
};

TEST_F(AppPickerListTest, HeightFollowsTheNumberOfMatchesUpToEightRows) {
    struct Case {
        qsizetype rows;
        int height;
    };
    for (const Case c : {Case{0, 83}, {1, 83}, {3, 145}, {7, 269}, {8, 300}, {20, 300}}) {
        SCOPED_TRACE(c.rows);
        EXPECT_EQ(AppPickerList::heightFor(c.rows), c.height);
    }
    QStringList many;
    for (int i = 1; i <= 20; ++i)
        many.append(QStringLiteral("App %1").arg(i));
    store().setInstalledApps(apps(many));
    makeList();
    EXPECT_EQ(list->cardRect().size(), QSizeF(422, 300));
    EXPECT_GT(bar()->maximum(), 0); // twenty rows scroll
}

TEST_F(AppPickerListTest, WaitingAndNoMatchTexts) {
    store().setAppPickerQuery(QStringLiteral("  zz "));
    makeList();
    EXPECT_EQ(list->message(), QStringLiteral("Finding your apps…"));
    EXPECT_EQ(list->cardRect().height(), 83);

    store().setInstalledApps(apps({"Atlas"}));
    // Matched as if trimmed, quoted as typed.
    EXPECT_EQ(list->message(), QStringLiteral("No app called \u201C  zz \u201D"));
    store().setAppPickerQuery(QStringLiteral(" atl "));
    EXPECT_EQ(list->message(), QString());
    EXPECT_EQ(names(), QStringList{"Atlas"});
}

TEST_F(AppPickerListTest, NamesBeginningWithTheSearchComeFirst) {
    store().setInstalledApps(apps({"Keypad Tool", "Padlock", "Écran", "Notepad"}));
    makeList();
    store().setAppPickerQuery(QStringLiteral("pad"));
    EXPECT_EQ(names(), (QStringList{"Padlock", "Keypad Tool", "Notepad"}));
    store().setAppPickerQuery(QStringLiteral("écr"));
    EXPECT_EQ(names(), QStringList{"Écran"});
}

TEST_F(AppPickerListTest, HoveringLightsARowThatStaysLitAndAClickChoosesIt) {
    store().setInstalledApps(apps({"Atlas", "Books", "Clock"}));
    makeList();
    store().openAppPicker();
    PickerRow* books = list->rows()[1];
    QTest::mouseMove(books, QPoint(20, 10));
    QCoreApplication::processEvents();
    EXPECT_EQ(store().appPickerHighlight(), QStringLiteral("org.books"));
    QTest::mouseMove(window.get(), QPoint(500, 400)); // out of the list
    QCoreApplication::processEvents();
    EXPECT_EQ(store().appPickerHighlight(), QStringLiteral("org.books"));

    QTest::mouseClick(list->rows()[2], Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(store().appSnapApp(), app("Clock"));
    EXPECT_FALSE(store().appPickerOpen());
}

TEST_F(AppPickerListTest, TheListFollowsTheLitRowWithTheSmallestScroll) {
    QStringList many;
    for (int i = 1; i <= 20; ++i)
        many.append(QStringLiteral("App %1").arg(i));
    store().setInstalledApps(apps(many));
    store().openAppPicker();
    makeList();
    EXPECT_EQ(bar()->value(), 0);
    // Down through the visible rows does not scroll.
    for (int i = 0; i < 6; ++i)
        store().handleAppPickerKey(KeyboardMap::kDownArrow);
    runtime().advance(0.2);
    EXPECT_EQ(bar()->value(), 0);
    EXPECT_TRUE(litRowVisible());

    // Past the last visible row it scrolls just enough, eased over 0.1 s.
    store().handleAppPickerKey(KeyboardMap::kDownArrow);
    store().handleAppPickerKey(KeyboardMap::kDownArrow);
    const int start = bar()->value();
    runtime().advance(0.05);
    EXPECT_GT(bar()->value(), start);
    runtime().advance(0.05);
    EXPECT_TRUE(litRowVisible());
    const int scrolled = bar()->value();
    const PickerRow* lit = list->rows()[8];
    EXPECT_EQ(lit->geometry().bottom() + 1, scrolled + list->scrollArea()->viewport()->height());

    // Up to a row that is already visible: no scroll.
    store().handleAppPickerKey(KeyboardMap::kUpArrow);
    runtime().advance(0.2);
    EXPECT_EQ(bar()->value(), scrolled);
    // A cleared highlight does not scroll either.
    store().setAppPickerHighlight(std::nullopt);
    runtime().advance(0.2);
    EXPECT_EQ(bar()->value(), scrolled);
}

TEST_F(AppPickerListTest, ThousandsOfApplicationsMakeOnlyTheRowsInViewAndTheKeysReachEveryOne) {
    QStringList many;
    for (int i = 0; i < 2000; ++i)
        many.append(QStringLiteral("App %1").arg(i, 4, 10, QLatin1Char('0')));
    store().setInstalledApps(apps(many));
    store().openAppPicker();
    makeList();
    EXPECT_EQ(list->rowCount(), 2000);
    EXPECT_LT(list->rows().size(), 12);
    EXPECT_EQ(bar()->maximum() + list->scrollArea()->viewport()->height(), 2 * 6 + 2000 * 31 - 1);

    // Lit far down by hand, then one step further with the key: the list follows, and the row
    // it lands on exists, lit, in view.
    store().setAppPickerHighlight(QStringLiteral("org.app1500"));
    store().handleAppPickerKey(KeyboardMap::kDownArrow);
    runtime().advance(0.2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(store().appPickerHighlight(), QStringLiteral("org.app1501"));
    EXPECT_TRUE(litRowVisible());
    EXPECT_LT(list->rows().size(), 12);

    // Typing narrows the list to what matches; the rows are made anew from the top.
    store().setAppPickerQuery(QStringLiteral("app 19"));
    EXPECT_EQ(list->rowCount(), 100);
    EXPECT_EQ(names().first(), QStringLiteral("App 1900"));
}

// --- Icons ---------------------------------------------------------------------------------

TEST_F(AppSnapsViewTest, IconsAreLoadedOncePerLocationAndUnknownIdentifiersAskedAgain) {
    const InstalledApp atlas = app("Atlas", QStringLiteral("atlas-icon"));
    icons.icon(atlas);
    icons.icon(atlas);
    EXPECT_EQ(loads.count(QStringLiteral("atlas-icon")), 1);
    EXPECT_FALSE(icons.icon(atlas).isNull()); // the generic icon stands in

    EXPECT_EQ(icons.icon(QStringLiteral("org.unknown")), std::nullopt);
    EXPECT_EQ(icons.icon(QStringLiteral("org.unknown")), std::nullopt);
    EXPECT_EQ(lookUps, 2);
}

TEST_F(AppSnapsViewTest, AnIdentifierFoundOnceIsNotLookedUpAgain) {
    int asked = 0;
    AppIcons found(
        [&](const QString& id) -> std::optional<InstalledApp> {
            ++asked;
            return InstalledApp{id, QStringLiteral("Atlas"), QUrl::fromLocalFile("/apps/atlas.desktop"), {}};
        },
        [](const QString&) { return QIcon(); });
    EXPECT_TRUE(found.icon(QStringLiteral("org.atlas")).has_value());
    EXPECT_TRUE(found.icon(QStringLiteral("org.atlas")).has_value());
    EXPECT_EQ(asked, 1);
}

} // namespace
