#include "support/StoreTest.h"

#include "platform/KeyCodes.h"
#include "platform/sim/SimInstalledApplications.h"
#include "tilewick/model/KeyboardMap.h"

#include <QSignalSpy>

namespace {

using namespace tilewick;
using platform::InstalledApplication;

constexpr quint16 kReturn = platform::kReturnKeyCode;
constexpr quint16 kEscape = platform::kEscapeKeyCode;
constexpr quint16 kKeypadEnter = platform::kKeypadEnterKeyCode;
constexpr quint16 kDown = KeyboardMap::kDownArrow;
constexpr quint16 kUp = KeyboardMap::kUpArrow;

struct RecordingAppSnapsEngine final : AppSnapsHook {
    int syncs = 0;
    void syncObservers() override { ++syncs; }
};

struct FakeField final : AppPickerField {
    bool inWindow = true;
    bool focused = false;
    int focusRequests = 0;
    bool isInWindow() const override { return inWindow; }
    bool hasKeyboardFocus() const override { return focused; }
    void takeKeyboardFocus() override {
        ++focusRequests;
        focused = true;
    }
};

InstalledApp app(const QString& name, const QString& id = {}) {
    return InstalledApp{id.isEmpty() ? "org." + name.toLower().remove(u' ') : id,
                        name,
                        QUrl::fromLocalFile("/apps/" + name + ".desktop"),
                        {}};
}

const InstalledApp kAtlas = app("Atlas");

// The store with two displays, "Studio" first and "Side" second.
class AppSnapsStoreTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        desktop().addScreen({0, 0, 1000, 900}, {0, 25, 1000, 875}, QStringLiteral("Studio"));
        desktop().addScreen({1000, 0, 800, 600}, {1000, 0, 800, 600}, QStringLiteral("Side"));
        makeStore();
        store().setAppSnapsEngine(appSnapsEngine);
    }

    QString uuid(int index) { return desktop().screens().at(index).uuid; }
    platform::sim::SimInstalledApplications& installed() {
        return platform().service<platform::sim::SimInstalledApplications>();
    }

    std::shared_ptr<RecordingAppSnapsEngine> appSnapsEngine = std::make_shared<RecordingAppSnapsEngine>();
};

// --- Assigning keys ---

TEST_F(AppSnapsStoreTest, AKeyWithoutAnApplicationOnlySaysSo) {
    store().assignAppSnapKey(SnapAction::leftHalf);
    EXPECT_EQ(store().note(), QStringLiteral("Choose an app first, then the key for where it opens."));
    EXPECT_TRUE(store().appSnaps().isEmpty());
    EXPECT_EQ(appSnapStorage->saves, 0);
    EXPECT_TRUE(loggedEvents("appsnap.saved").isEmpty());
}

TEST_F(AppSnapsStoreTest, AKeySavesTheSnapOnTheChosenDisplayAndEndsTheSetup) {
    store().chooseAppSnapApp(kAtlas);
    EXPECT_EQ(store().appSnapDisplayID(), uuid(0)); // the first display, with two
    store().assignAppSnapKey(SnapAction::leftHalf);

    EXPECT_EQ(store().appSnaps(), (QList<AppSnap>{AppSnap{"org.atlas", "Atlas", SnapAction::leftHalf, false,
                                                          uuid(0), "Studio"}}));
    EXPECT_EQ(appSnapStorage->stored, store().appSnaps());
    EXPECT_EQ(appSnapsEngine->syncs, 1);
    EXPECT_EQ(store().note(), QStringLiteral("Atlas will now open in the left half on Studio."));
    EXPECT_EQ(loggedEvents("appsnap.saved"), QStringList{"appsnap.saved layout=left_half multi=false"});
    EXPECT_FALSE(store().appSnapApp());
    EXPECT_FALSE(store().appSnapDisplayID());
    EXPECT_FALSE(store().appSnapMulti());
    EXPECT_FALSE(store().appSnapCanMulti());
}

TEST_F(AppSnapsStoreTest, MaximiseWithoutADisplay) {
    store().chooseAppSnapApp(kAtlas);
    store().setAppSnapDisplayID(std::nullopt);
    store().assignAppSnapKey(SnapAction::maximize);
    EXPECT_EQ(store().appSnaps(),
              (QList<AppSnap>{AppSnap{"org.atlas", "Atlas", SnapAction::maximize, false, {}, {}}}));
    EXPECT_EQ(store().note(), QStringLiteral("Atlas will now open maximised."));
}

TEST_F(AppSnapsStoreTest, WhichKeysCountWithAndWithoutTheMultiWindowSwitch) {
    const struct {
        SnapAction key;
        bool multi;
        std::optional<SnapAction> saved; // none: ignored
    } cases[] = {
        {SnapAction::centre, false, SnapAction::centre},
        {SnapAction::maximize, false, SnapAction::maximize},
        {SnapAction::rightThird, false, SnapAction::rightThird},
        {SnapAction::centre, true, std::nullopt},
        {SnapAction::maximize, true, std::nullopt},
        {SnapAction::rightThird, true, store().multiWindowAction(SnapAction::rightThird)},
        {SnapAction::nextDisplay, false, std::nullopt},
        {SnapAction::previousDisplay, true, std::nullopt},
        {SnapAction::undo, false, std::nullopt},
        {SnapAction::redo, false, std::nullopt},
        {SnapAction::focus, false, std::nullopt},
    };
    for (const auto& c : cases) {
        store().setAppSnaps({});
        store().setNote(std::nullopt);
        store().chooseAppSnapApp(kAtlas);
        store().setAppSnapMulti(c.multi);
        store().assignAppSnapKey(c.key);
        const auto label = QString(rawValue(c.key) + (c.multi ? " multi" : "")).toStdString();
        if (!c.saved) {
            EXPECT_TRUE(store().appSnaps().isEmpty()) << label;
            EXPECT_FALSE(store().note()) << label;
            EXPECT_TRUE(store().appSnapApp()) << label; // the setup goes on
            continue;
        }
        ASSERT_EQ(store().appSnaps().size(), 1) << label;
        EXPECT_EQ(store().appSnaps()[0].action, *c.saved) << label;
        EXPECT_EQ(store().appSnaps()[0].multiWindow, c.multi) << label;
    }
}

TEST_F(AppSnapsStoreTest, AMultiWindowSnapSaysHowManyWindows) {
    store().chooseAppSnapApp(kAtlas);
    store().setAppSnapMulti(true);
    store().assignAppSnapKey(SnapAction::leftHalf);
    const SnapAction anchor = store().multiWindowAction(SnapAction::leftHalf);
    EXPECT_EQ(store().note(), "Atlas will now open " + multiPhrase(anchor, true) + " on Studio.");
    EXPECT_EQ(loggedEvents("appsnap.saved"),
              QStringList{QStringLiteral("appsnap.saved layout=%1 multi=true").arg(betaLogName(anchor))});
}

TEST_F(AppSnapsStoreTest, ReassigningReplacesInPlaceAndKeepsTheSavedName) {
    store().setAppSnaps({AppSnap{"org.before", "Before", SnapAction::centre},
                         AppSnap{"org.atlas", "Atlas Classic", SnapAction::leftHalf, false, uuid(1), "Side"},
                         AppSnap{"org.after", "After", SnapAction::maximize}});
    store().chooseAppSnapApp(kAtlas); // now named "Atlas"
    EXPECT_EQ(store().appSnapDisplayID(), uuid(1));
    store().assignAppSnapKey(SnapAction::rightHalf);
    EXPECT_EQ(store().appSnaps(), (QList<AppSnap>{AppSnap{"org.before", "Before", SnapAction::centre},
                                                  AppSnap{"org.atlas", "Atlas Classic", SnapAction::rightHalf,
                                                          false, uuid(1), "Side"},
                                                  AppSnap{"org.after", "After", SnapAction::maximize}}));
    // The note names the application as chosen now.
    EXPECT_EQ(store().note(), QStringLiteral("Atlas will now open in the right half on Side."));
}

TEST_F(AppSnapsStoreTest, ADisplayIsKeptOnlyWhileSeveralAreConnectedAndItIsOne) {
    // One display left: no display, whatever was chosen.
    store().chooseAppSnapApp(kAtlas);
    EXPECT_EQ(store().appSnapDisplayID(), uuid(0));
    desktop().removeScreen(1);
    store().setDisplayCount(1);
    store().assignAppSnapKey(SnapAction::leftHalf);
    EXPECT_FALSE(store().appSnaps()[0].displayID);
    EXPECT_FALSE(store().appSnaps()[0].displayName);
    EXPECT_EQ(store().note(), QStringLiteral("Atlas will now open in the left half."));

    // Two again, but the chosen one is gone.
    desktop().addScreen({1000, 0, 800, 600}, {1000, 0, 800, 600}, QStringLiteral("Projector"));
    store().setDisplayCount(2);
    store().chooseAppSnapApp(kAtlas);
    store().setAppSnapDisplayID(QStringLiteral("5C1D0000-0000-4000-8000-00000000FFFF"));
    store().assignAppSnapKey(SnapAction::rightHalf);
    EXPECT_FALSE(store().appSnaps()[0].displayID);

    // A snap with a display that is away keeps it when chosen, and loses it only when saved.
    store().setAppSnaps({AppSnap{"org.atlas", "Atlas", SnapAction::leftHalf, false, "AWAY", "Old"}});
    store().chooseAppSnapApp(kAtlas);
    EXPECT_EQ(store().appSnapDisplayID(), QStringLiteral("AWAY"));
}

TEST_F(AppSnapsStoreTest, WithOneDisplayNoDisplayIsChosen) {
    desktop().removeScreen(1);
    store().chooseAppSnapApp(kAtlas);
    EXPECT_FALSE(store().appSnapDisplayID());
}

// --- The multi-window switch ---

TEST_F(AppSnapsStoreTest, TheSwitchOnRemovesACentreOrMaximiseSnapWithItsNote) {
    for (const SnapAction saved : {SnapAction::maximize, SnapAction::centre}) {
        store().setAppSnaps({AppSnap{"org.atlas", "Atlas", saved}});
        store().chooseAppSnapApp(kAtlas);
        store().setAppSnapMulti(false); // off: nothing happens
        EXPECT_EQ(store().appSnaps().size(), 1);
        store().setAppSnapMulti(true);
        EXPECT_TRUE(store().appSnaps().isEmpty());
        EXPECT_TRUE(store().appSnapMulti());
        EXPECT_EQ(store().note(), QStringLiteral("Choose a key for Atlas's windows."));
    }
    EXPECT_EQ(loggedEvents("appsnap.removed"),
              (QStringList{"appsnap.removed layout=maximize", "appsnap.removed layout=centre"}));
}

TEST_F(AppSnapsStoreTest, TheSwitchTurnsASavedLayoutIntoItsFillAndBack) {
    store().setAppSnaps({AppSnap{"org.atlas", "Atlas", SnapAction::rightThird, false, uuid(1), "Side"}});
    store().chooseAppSnapApp(kAtlas);
    const int syncs = appSnapsEngine->syncs;
    store().setAppSnapMulti(true);
    const SnapAction anchor = store().multiWindowAction(SnapAction::rightThird);
    EXPECT_EQ(store().appSnaps(),
              (QList<AppSnap>{AppSnap{"org.atlas", "Atlas", anchor, true, uuid(1), "Side"}}));
    EXPECT_EQ(appSnapsEngine->syncs, syncs + 1);
    store().setAppSnapMulti(false);
    EXPECT_EQ(store().appSnaps(),
              (QList<AppSnap>{AppSnap{"org.atlas", "Atlas", anchor, false, uuid(1), "Side"}}));
    EXPECT_TRUE(loggedEvents("appsnap.saved").isEmpty());
    EXPECT_FALSE(store().note());
}

// --- Removing ---

TEST_F(AppSnapsStoreTest, RemovingTakesEverySnapOfTheApplication) {
    store().setAppSnaps({AppSnap{"org.atlas", "Atlas", SnapAction::leftHalf},
                         AppSnap{"org.b", "B", SnapAction::centre},
                         AppSnap{"org.atlas", "Atlas", SnapAction::maximize}});
    store().removeAppSnap("org.atlas", true);
    EXPECT_EQ(store().appSnaps(), (QList<AppSnap>{AppSnap{"org.b", "B", SnapAction::centre}}));
    EXPECT_EQ(appSnapStorage->stored, store().appSnaps());
    EXPECT_EQ(appSnapsEngine->syncs, 1);
    EXPECT_EQ(loggedEvents("appsnap.removed"), QStringList{"appsnap.removed layout=left_half"});
    EXPECT_EQ(store().note(), QStringLiteral("Atlas will open wherever it likes again."));

    const int saves = appSnapStorage->saves;
    store().removeAppSnap("org.atlas", true); // none left: nothing at all
    EXPECT_EQ(appSnapStorage->saves, saves);
    EXPECT_EQ(appSnapsEngine->syncs, 1);
    EXPECT_EQ(loggedEvents("appsnap.removed").size(), 1);
}

// --- Choosing and editing ---

TEST_F(AppSnapsStoreTest, ARunningApplicationsMenusDecideWhetherItCanDoSeveralWindows) {
    installed().setApplications({{.id = "org.atlas",
                                  .name = "Atlas",
                                  .path = "/apps/Atlas.desktop",
                                  .documentTypes = {"text/plain"}}});
    store().chooseAppSnapApp(kAtlas);
    EXPECT_TRUE(store().appSnapCanMulti()); // from what it declares
    EXPECT_TRUE(multiWindow->checks.empty());

    desktop().addApp({.pid = 40, .bundleIdentifier = QStringLiteral("org.atlas"), .name = "Atlas"});
    store().chooseAppSnapApp(kAtlas);
    ASSERT_EQ(multiWindow->checks.size(), 1u);
    EXPECT_EQ(multiWindow->checks[0].first, 40);
    multiWindow->checks[0].second(false);
    EXPECT_FALSE(store().appSnapCanMulti());

    // An answer for an application no longer chosen is dropped.
    store().chooseAppSnapApp(kAtlas);
    const InstalledApp other = app("Other");
    store().chooseAppSnapApp(other);
    multiWindow->checks[1].second(true);
    EXPECT_FALSE(store().appSnapCanMulti());
}

TEST_F(AppSnapsStoreTest, ChoosingTakesTheSavedMultiWindowChoiceAndClosesThePicker) {
    store().setAppSnaps({AppSnap{"org.atlas", "Atlas", SnapAction::leftHalf, true}});
    store().setInstalledApps({kAtlas});
    store().openAppPicker();
    store().setAppPickerQuery("at");
    store().chooseAppSnapApp(kAtlas);
    EXPECT_TRUE(store().appSnapMulti());
    EXPECT_FALSE(store().appPickerOpen());
    EXPECT_EQ(store().appPickerQuery(), QString());
    EXPECT_EQ(store().appSnapApp(), kAtlas);
}

TEST_F(AppSnapsStoreTest, EditingFindsTheApplicationInTheListOrAsTheDesktopKnowsIt) {
    InstalledApp listed = kAtlas;
    listed.iconName = "atlas";
    store().setInstalledApps({listed});
    store().editAppSnap(AppSnap{"org.atlas", "Atlas Classic", SnapAction::leftHalf});
    EXPECT_EQ(store().appSnapApp(), listed);

    installed().setApplications({{.id = "org.hidden",
                                  .name = "Hidden Tool",
                                  .path = "/apps/hidden.desktop",
                                  .iconName = "tool",
                                  .listed = false}});
    store().editAppSnap(AppSnap{"org.hidden", "Tool", SnapAction::centre});
    EXPECT_EQ(store().appSnapApp(),
              (InstalledApp{"org.hidden", "Tool", QUrl::fromLocalFile("/apps/hidden.desktop"), "tool"}));

    store().editAppSnap(AppSnap{"org.unknown", "Unknown", SnapAction::centre});
    EXPECT_EQ(store().appSnapApp()->id, QStringLiteral("org.hidden")); // nothing happened
}

// --- The picker ---

TEST_F(AppSnapsStoreTest, FilteringPutsNamesBeginningWithTheQueryFirst) {
    store().setInstalledApps({app("Atlas"), app("Notes Editor"), app("Terminal"), app("TextEdit")});
    const auto names = [&] {
        QStringList result;
        for (const auto& a : store().filteredInstalledApps())
            result << a.name;
        return result;
    };
    const struct {
        QString query;
        QStringList expected;
    } cases[] = {
        {"te", {"Terminal", "TextEdit", "Notes Editor"}},
        {" \tTE\t ", {"Terminal", "TextEdit", "Notes Editor"}},
        {"   ", {"Atlas", "Notes Editor", "Terminal", "TextEdit"}},
        {"", {"Atlas", "Notes Editor", "Terminal", "TextEdit"}},
        {"edit", {"Notes Editor", "TextEdit"}},
        {"x y", {}},
    };
    for (const auto& c : cases) {
        store().setAppPickerQuery(c.query);
        EXPECT_EQ(names(), c.expected) << c.query.toStdString();
    }
}

TEST_F(AppSnapsStoreTest, OpeningLightsTheChosenApplicationElseTheFirstOffered) {
    store().setInstalledApps({app("Atlas"), app("Terminal"), app("TextEdit")});
    store().setAppPickerQuery("te");
    store().openAppPicker();
    EXPECT_TRUE(store().appPickerOpen());
    EXPECT_EQ(store().appPickerHighlight(), QStringLiteral("org.terminal"));

    store().closeAppPicker();
    store().setAppSnapApp(app("TextEdit"));
    store().openAppPicker();
    EXPECT_EQ(store().appPickerHighlight(), QStringLiteral("org.textedit"));
    // Already open: the light stays where it is.
    store().setAppPickerHighlight("org.atlas");
    store().openAppPicker();
    EXPECT_EQ(store().appPickerHighlight(), QStringLiteral("org.atlas"));
}

TEST_F(AppSnapsStoreTest, PickerKeys) {
    store().setInstalledApps({app("Atlas"), app("Notes"), app("Terminal")});
    EXPECT_FALSE(store().handleAppPickerKey(kDown)); // closed: no key is taken
    store().openAppPicker();

    const struct {
        std::optional<QString> highlight;
        quint16 key;
        std::optional<QString> after;
    } moves[] = {
        {std::nullopt, kUp, "org.atlas"},        {std::nullopt, kDown, "org.atlas"},
        {"org.gone", kUp, "org.atlas"},          {"org.atlas", kDown, "org.notes"},
        {"org.terminal", kDown, "org.terminal"}, {"org.atlas", kUp, "org.atlas"},
        {"org.terminal", kUp, "org.notes"},
    };
    for (const auto& m : moves) {
        store().setAppPickerHighlight(m.highlight);
        EXPECT_TRUE(store().handleAppPickerKey(m.key));
        EXPECT_EQ(store().appPickerHighlight(), m.after);
    }
    EXPECT_FALSE(store().handleAppPickerKey(0)); // a letter
    EXPECT_TRUE(store().appPickerOpen());

    // Return chooses the lit row (the first without one); Enter does the same.
    store().setAppPickerHighlight("org.notes");
    EXPECT_TRUE(store().handleAppPickerKey(kReturn));
    EXPECT_EQ(store().appSnapApp()->id, QStringLiteral("org.notes"));
    EXPECT_FALSE(store().appPickerOpen());
    store().openAppPicker();
    store().setAppPickerHighlight(std::nullopt);
    EXPECT_TRUE(store().handleAppPickerKey(kKeypadEnter));
    EXPECT_EQ(store().appSnapApp()->id, QStringLiteral("org.atlas"));

    // Escape closes and clears the query; the light stays.
    store().openAppPicker();
    store().setAppPickerQuery("no");
    store().setAppPickerHighlight("org.notes");
    EXPECT_TRUE(store().handleAppPickerKey(kEscape));
    EXPECT_FALSE(store().appPickerOpen());
    EXPECT_EQ(store().appPickerQuery(), QString());
    EXPECT_EQ(store().appPickerHighlight(), QStringLiteral("org.notes"));
}

TEST_F(AppSnapsStoreTest, KeysOnAnEmptyListAreTakenAndDoNothing) {
    store().setInstalledApps({app("Atlas")});
    store().openAppPicker();
    store().setAppPickerQuery("zzz");
    store().setAppPickerHighlight(std::nullopt);
    for (quint16 key : {kReturn, kKeypadEnter, kDown, kUp}) {
        EXPECT_TRUE(store().handleAppPickerKey(key));
        EXPECT_FALSE(store().appSnapApp());
        EXPECT_FALSE(store().appPickerHighlight());
        EXPECT_TRUE(store().appPickerOpen());
    }
}

TEST_F(AppSnapsStoreTest, TheScanRunsOffTheMainThreadOnceItFoundSomething) {
    installed().setApplications({{.id = "org.zeta", .name = "Zeta", .path = "/a/zeta.desktop"},
                                 {.id = "org.alpha", .name = "Alpha", .path = "/a/alpha.desktop"}});
    QSignalSpy spy(&store(), &TilewickStore::installedAppsChanged);
    store().openAppPicker();
    EXPECT_TRUE(store().installedApps().isEmpty()); // published on a later turn
    runtime().runUntilIdle();
    ASSERT_EQ(store().installedApps().size(), 2);
    EXPECT_EQ(store().installedApps()[0].name, QStringLiteral("Alpha"));
    EXPECT_EQ(spy.count(), 1);
    store().scanInstalledApps();
    runtime().runUntilIdle();
    EXPECT_EQ(installed().listings(), 1);
}

TEST_F(AppSnapsStoreTest, TheFieldGetsTheKeyboardOnlyWhenItLacksIt) {
    store().focusAppPickerField(); // none yet
    auto field = std::make_shared<FakeField>();
    store().setAppPickerField(field);
    field->inWindow = false;
    store().focusAppPickerField();
    EXPECT_EQ(field->focusRequests, 0);
    field->inWindow = true;
    store().focusAppPickerField();
    store().focusAppPickerField();
    EXPECT_EQ(field->focusRequests, 1);
    field.reset();
    store().focusAppPickerField(); // gone: nothing
}

} // namespace
