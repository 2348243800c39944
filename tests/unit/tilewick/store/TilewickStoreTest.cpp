#include "support/StoreTest.h"

#include "platform/xdg/JsonFileDefaults.h"
#include "tilewick/store/SettingsKeys.h"

#include <QTemporaryDir>

#include <QSignalSpy>

#include <functional>

namespace {

using namespace tilewick;
using platform::ActivationPolicy;

TEST_F(StoreTest, FirstLaunchOnAFreshAccount) {
    auto& store = makeStore();
    EXPECT_EQ(store.tab(), SnapTab::global);
    EXPECT_EQ(store.modifiers(), 0x180000u);
    EXPECT_TRUE(store.keyboardOverlay());
    EXPECT_TRUE(store.showInMenuBar());
    EXPECT_TRUE(store.showInDock());
    EXPECT_EQ(store.bindings(), defaultBindings());
    EXPECT_EQ(defaults().boolValue(keys::startAtLoginPending), true);
    EXPECT_EQ(defaults().int64Value(keys::bindingsVersion), 6);
    // Nothing but the bindings is written until a setting is set.
    for (const char* key :
         {keys::lastTab, keys::modifiers, keys::keyboardOverlay, keys::showInMenuBar, keys::showInDock})
        EXPECT_FALSE(defaults().contains(key)) << key;
    // The rest of the state starts empty.
    EXPECT_FALSE(store.recording());
    EXPECT_FALSE(store.hotkeysActive());
    EXPECT_TRUE(store.conflicts().isEmpty());
    EXPECT_FALSE(store.note());
    EXPECT_TRUE(store.windowOpen());
    EXPECT_FALSE(store.launchAtLogin());
    // With permission, nothing is asked.
    EXPECT_TRUE(store.trusted());
    EXPECT_EQ(desktop().trustRequests(), 0);
}

TEST_F(StoreTest, StoredSettingsAreReadAndWrongTypesFallBack) {
    defaults().set(keys::lastTab, QStringLiteral("eighths"));
    defaults().set(keys::modifiers, quint64(0x60000 | 0x800000 | 0x10000)); // extra bits stay
    defaults().set(keys::keyboardOverlay, false);
    defaults().set(keys::showInMenuBar, QStringLiteral("false")); // a string: the default
    defaults().set(keys::showInDock, qint64(0));                  // a number: the default
    auto& store = makeStore();
    EXPECT_EQ(store.tab(), SnapTab::eighths);
    EXPECT_EQ(store.modifiers(), 0x60000u | 0x800000u | 0x10000u);
    EXPECT_FALSE(store.keyboardOverlay());
    EXPECT_TRUE(store.showInMenuBar());
    EXPECT_TRUE(store.showInDock());
    // Read, not rewritten.
    EXPECT_EQ(defaults().stringValue(keys::showInMenuBar), QStringLiteral("false"));
}

TEST_F(StoreTest, LastTabNamingNoTabIsGlobal) {
    for (const auto& raw : {QStringLiteral("nowhere"), QStringLiteral("Eighths"), QString()}) {
        defaults().set(keys::lastTab, raw);
        EXPECT_EQ(makeStore().tab(), SnapTab::global) << raw.toStdString();
    }
    defaults().set(keys::lastTab, qint64(3));
    EXPECT_EQ(makeStore().tab(), SnapTab::global);
}

TEST_F(StoreTest, ModifiersWithFewerThanTwoHotkeyModifiersAreNeverUsed) {
    const quint64 cases[] = {0, 0x100000, 0x800000 | 0x80000, 0x20000 | 0x10000};
    for (const auto stored : cases) {
        SCOPED_TRACE(stored);
        defaults().set(keys::modifiers, stored);
        auto& store = makeStore();
        EXPECT_EQ(store.modifiers(), kDefaultHotkeyModifiers);
        EXPECT_EQ(defaults().uint64Value(keys::modifiers), stored);
        EXPECT_EQ(engine->updates.back().at(SnapAction::centre).modifiers, kDefaultHotkeyModifiers);
        EXPECT_EQ(loggedEvents("modifiers.invalid").last(),
                  QStringLiteral("modifiers.invalid stored=%1").arg(stored));
        // The setter refuses them as well.
        store.setModifiers(0x1C0000);
        store.setModifiers(stored);
        EXPECT_EQ(store.modifiers(), 0x1C0000u);
        EXPECT_EQ(defaults().uint64Value(keys::modifiers), 0x1C0000u);
        EXPECT_EQ(engine->updates.back().at(SnapAction::centre).modifiers, 0x1C0000u);
    }
    // A signed number is a number too.
    defaults().set(keys::modifiers, qint64(0x1C0000));
    EXPECT_EQ(makeStore().modifiers(), 0x1C0000u);
    EXPECT_EQ(loggedEvents("modifiers.invalid").size(), 4);
    // Four is more than the editor allows but makes no plain key global.
    defaults().set(keys::modifiers, quint64(0x1E0000));
    EXPECT_EQ(makeStore().modifiers(), 0x1E0000u);
}

TEST_F(StoreTest, InitialiserReadsPermissionDisplaysAndLoginItem) {
    desktop().setTrusted(false);
    desktop().addScreen({0, 0, 1440, 900}, {0, 25, 1440, 875});
    desktop().addScreen({1440, 0, 1920, 1080}, {1440, 0, 1920, 1080});
    loginItems().setStatus(platform::LoginItems::Status::Enabled);
    appSnapStorage->stored = {AppSnap{"org.example.Editor", "Editor", SnapAction::leftHalf, false, {}, {}}};

    auto& store = makeStore();
    EXPECT_FALSE(store.trusted());
    EXPECT_EQ(desktop().trustRequests(), 1); // the prompt at every launch without permission
    EXPECT_EQ(store.displayCount(), 2);
    EXPECT_TRUE(store.launchAtLogin());
    EXPECT_EQ(store.appSnaps(), appSnapStorage->stored);
    EXPECT_EQ(appSnapStorage->saves, 0);

    // The status timer picks permission up within 1.5 s.
    QSignalSpy trustedSpy(&store, &TilewickStore::trustedChanged);
    desktop().setTrusted(true);
    runtime().advance(1.4);
    EXPECT_FALSE(store.trusted());
    runtime().advance(0.1);
    EXPECT_TRUE(store.trusted());
    runtime().advance(3.0);
    EXPECT_EQ(trustedSpy.count(), 1);
}

TEST_F(StoreTest, EverySetWritesButOnlyChangesNotify) {
    auto& store = makeStore();
    QSignalSpy tabSpy(&store, &TilewickStore::tabChanged);

    const int writes = defaults().writeCount();
    store.setTab(SnapTab::global);
    EXPECT_EQ(tabSpy.count(), 0);
    EXPECT_EQ(defaults().writeCount(), writes + 1);
    EXPECT_EQ(defaults().stringValue(keys::lastTab), QStringLiteral("global"));
    store.setTab(SnapTab::upDownTwoThirds);
    EXPECT_EQ(tabSpy.count(), 1);
    EXPECT_EQ(defaults().stringValue(keys::lastTab), QStringLiteral("upDownTwoThirds"));

    QSignalSpy modifiersSpy(&store, &TilewickStore::modifiersChanged);
    const auto updates = engine->updates.size();
    store.setModifiers(kDefaultHotkeyModifiers);
    EXPECT_EQ(modifiersSpy.count(), 0);
    EXPECT_EQ(engine->updates.size(), updates + 1);
    EXPECT_EQ(defaults().uint64Value(keys::modifiers), kDefaultHotkeyModifiers);

    QSignalSpy snapsSpy(&store, &TilewickStore::appSnapsChanged);
    store.setAppSnaps({});
    EXPECT_EQ(snapsSpy.count(), 0);
    EXPECT_EQ(appSnapStorage->saves, 1);
    const QList<AppSnap> snaps{
        AppSnap{"org.example.Mail", "Mail", SnapAction::rightThird, false, "UUID-1", "Left"}};
    store.setAppSnaps(snaps);
    EXPECT_EQ(snapsSpy.count(), 1);
    EXPECT_EQ(appSnapStorage->stored, snaps);
}

TEST_F(StoreTest, SettingsEditedByHandReachTheStore) {
    auto& store = makeStore();
    QSignalSpy tabSpy(&store, &TilewickStore::tabChanged);
    QSignalSpy bindingsSpy(&store, &TilewickStore::bindingsChanged);
    Bindings edited = defaultBindings();
    edited[SnapAction::centre] = Hotkey{9, 0, "V"};
    defaults().changeExternally(keys::lastTab, QString("sixths"));
    defaults().changeExternally(keys::modifiers, quint64(0x140000));
    defaults().changeExternally(keys::showInDock, false);
    defaults().changeExternally(keys::bindings, encodeBindings(edited));
    EXPECT_EQ(store.tab(), SnapTab::sixths);
    EXPECT_EQ(tabSpy.count(), 1);
    EXPECT_FALSE(store.showInDock());
    EXPECT_EQ(shell->policies.back(), ActivationPolicy::Accessory);
    EXPECT_EQ(store.bindings(), edited);
    EXPECT_EQ(bindingsSpy.count(), 1);
    EXPECT_EQ(engine->updates.back().at(SnapAction::centre), (Hotkey{9, 0x140000, "V"}));

    // What cannot be used is not used, and stays as written.
    defaults().changeExternally(keys::modifiers, quint64(0x100000));
    EXPECT_EQ(store.modifiers(), kDefaultHotkeyModifiers);
    EXPECT_EQ(defaults().uint64Value(keys::modifiers), 0x100000u);
    defaults().changeExternally(keys::bindings, QByteArray("{"));
    EXPECT_EQ(store.bindings(), edited);
    defaults().changeExternally(keys::lastTab, QString("nowhere"));
    EXPECT_EQ(store.tab(), SnapTab::global);
    EXPECT_EQ(defaults().stringValue(keys::lastTab), "nowhere");
}

TEST_F(StoreTest, SettingsRoundTripThroughTheDefaultsFile) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    // Each call is a new process: the last one saved what it had, the file is read afresh.
    const auto openFile = [&] {
        platform().defaults().flush();
        auto file = std::make_shared<platform::JsonFileDefaults>(folder.path(), "com.corvane.tilewick",
                                                                 platform().shared<platform::Runtime>());
        platform().provide<platform::Defaults>(file);
        return file;
    };

    openFile();
    Bindings recordedCentre = defaultBindings();
    recordedCentre[SnapAction::centre] = Hotkey{9, 0, "V"};
    recordedCentre.erase(SnapAction::focus);
    {
        auto& store = makeStore();
        store.setTab(SnapTab::sixths);
        store.setModifiers(0x140000);
        store.setKeyboardOverlay(false);
        store.setShowInDock(false);
        store.setBindings(recordedCentre);
        store.saveBindings();
    }

    openFile();
    auto& store = makeStore();
    EXPECT_EQ(store.tab(), SnapTab::sixths);
    EXPECT_EQ(store.modifiers(), 0x140000u);
    EXPECT_FALSE(store.keyboardOverlay());
    EXPECT_FALSE(store.showInDock());
    EXPECT_TRUE(store.showInMenuBar());
    EXPECT_EQ(store.bindings(), recordedCentre);

    // Stored with the types the program reads them with.
    const auto file = openFile();
    EXPECT_EQ(file->stringValue(keys::lastTab), QStringLiteral("sixths"));
    EXPECT_EQ(file->uint64Value(keys::modifiers), 0x140000u);
    EXPECT_EQ(file->boolValue(keys::keyboardOverlay), false);
    EXPECT_EQ(file->boolValue(keys::showInDock), false);
    EXPECT_EQ(file->int64Value(keys::bindingsVersion), 6);
    EXPECT_EQ(file->boolValue(keys::startAtLoginPending), true); // from the first launch
    ASSERT_TRUE(file->dataValue(keys::bindings));
    EXPECT_EQ(decodeBindings(*file->dataValue(keys::bindings)), recordedCentre);
}

TEST_F(StoreTest, KeyboardOverlaySwitchedOffHidesTheFloatingKeyboard) {
    auto& store = makeStore();
    overlay->visible = true;
    store.setMultiWindow(true);
    store.setPressedKeys({{55, 1.0}, {58, 1.0}});
    store.setKeyboardOverlay(true);
    EXPECT_EQ(overlay->hides, 0);

    store.setKeyboardOverlay(false);
    EXPECT_EQ(overlay->hides, 1);
    EXPECT_FALSE(overlay->visible);
    EXPECT_FALSE(store.multiWindow());
    EXPECT_TRUE(store.pressedKeys().isEmpty()); // held in another application: forgotten
    EXPECT_EQ(defaults().boolValue(keys::keyboardOverlay), false);

    // Off again: written and hidden again; while active, held keys stay.
    shell->active = true;
    store.setPressedKeys({{55, 2.0}});
    store.setKeyboardOverlay(false);
    EXPECT_EQ(overlay->hides, 2);
    EXPECT_EQ(store.pressedKeys().size(), 1);
}

TEST_F(StoreTest, MenuBarAndDockAreNeverBothOff) {
    auto& store = makeStore();
    QSignalSpy dockSpy(&store, &TilewickStore::showInDockChanged);
    QSignalSpy menuSpy(&store, &TilewickStore::showInMenuBarChanged);

    store.setShowInDock(false);
    EXPECT_FALSE(store.showInDock());
    EXPECT_TRUE(store.showInMenuBar());
    EXPECT_EQ(shell->policies, std::vector{ActivationPolicy::Accessory});

    // Turning the menu-bar item off brings the Dock icon back, persisted, with its policy.
    store.setShowInMenuBar(false);
    EXPECT_FALSE(store.showInMenuBar());
    EXPECT_TRUE(store.showInDock());
    EXPECT_EQ(defaults().boolValue(keys::showInDock), true);
    EXPECT_EQ(defaults().boolValue(keys::showInMenuBar), false);
    EXPECT_EQ(shell->policies.back(), ActivationPolicy::Regular);
    EXPECT_EQ(dockSpy.count(), 2);
    EXPECT_EQ(menuSpy.count(), 1);

    // And the other way round: the Dock off while the menu-bar item is off.
    store.setShowInDock(false);
    EXPECT_TRUE(store.showInMenuBar());
    EXPECT_FALSE(store.showInDock());
    EXPECT_EQ(defaults().boolValue(keys::showInMenuBar), true);
    EXPECT_EQ(shell->policies.back(), ActivationPolicy::Accessory);

    // A same-value set still applies the policy.
    const auto policies = shell->policies.size();
    store.setShowInDock(false);
    EXPECT_EQ(shell->policies.size(), policies + 1);
}

// Every observed field (but launchAtLogin, which only the login operations set): a new value
// notifies its own signal once and nothing else; the same value again notifies nothing.
struct ObservedField {
    const char* name;
    void (TilewickStore::*changed)();
    std::function<void(TilewickStore&)> setNewValue;
};

TEST_F(StoreTest, EachObservedFieldNotifiesOnlyItsOwnChange) {
    using S = TilewickStore;
    const InstalledApp app{"org.example.Mail", "Mail", QUrl::fromLocalFile("/Applications/Mail.app")};
    const std::vector<ObservedField> fields = {
        {"bindings", &S::bindingsChanged, [](S& s) { s.setBindings({}); }},
        {"tab", &S::tabChanged, [](S& s) { s.setTab(SnapTab::appSnaps); }},
        {"recording", &S::recordingChanged, [](S& s) { s.setRecording(SnapAction::focus); }},
        {"trusted", &S::trustedChanged, [](S& s) { s.setTrusted(false); }},
        {"hotkeysActive", &S::hotkeysActiveChanged, [](S& s) { s.setHotkeysActive(true); }},
        {"conflicts", &S::conflictsChanged,
         [](S& s) {
             s.setConflicts({{"com.example.snap", "Snap", 42}});
         }},
        {"note", &S::noteChanged, [](S& s) { s.setNote(QStringLiteral("Hello")); }},
        {"modifiers", &S::modifiersChanged, [](S& s) { s.setModifiers(0x60000); }},
        {"editingModifiers", &S::editingModifiersChanged, [](S& s) { s.setEditingModifiers(true); }},
        {"modifiersTyped", &S::modifiersTypedChanged, [](S& s) { s.setModifiersTyped(true); }},
        {"keyboardOverlay", &S::keyboardOverlayChanged, [](S& s) { s.setKeyboardOverlay(false); }},
        {"showInMenuBar", &S::showInMenuBarChanged, [](S& s) { s.setShowInMenuBar(false); }},
        {"showInDock", &S::showInDockChanged, [](S& s) { s.setShowInDock(false); }},
        {"hoveredAction", &S::hoveredActionChanged, [](S& s) { s.setHoveredAction(SnapAction::leftHalf); }},
        {"hoveredKeyAction", &S::hoveredKeyActionChanged,
         [](S& s) { s.setHoveredKeyAction(SnapAction::undo); }},
        {"hoveredModifierKey", &S::hoveredModifierKeyChanged, [](S& s) { s.setHoveredModifierKey(true); }},
        {"hoveredGlobeKey", &S::hoveredGlobeKeyChanged, [](S& s) { s.setHoveredGlobeKey(true); }},
        {"multiWindow", &S::multiWindowChanged, [](S& s) { s.setMultiWindow(true); }},
        {"multiWindowUnsupported", &S::multiWindowUnsupportedChanged,
         [](S& s) { s.setMultiWindowUnsupported(QStringLiteral("Preview")); }},
        {"canRedo", &S::canRedoChanged, [](S& s) { s.setCanRedo(true); }},
        {"windowOpen", &S::windowOpenChanged, [](S& s) { s.setWindowOpen(false); }},
        {"appSnaps", &S::appSnapsChanged,
         [](S& s) {
             s.setAppSnaps({AppSnap{"a.b", "B", SnapAction::maximize, false, {}, {}}});
         }},
        {"appSnapApp", &S::appSnapAppChanged, [app](S& s) { s.setAppSnapApp(app); }},
        {"appSnapDisplayID", &S::appSnapDisplayIDChanged,
         [](S& s) { s.setAppSnapDisplayID(QStringLiteral("X")); }},
        {"appSnapMulti", &S::appSnapMultiChanged, [](S& s) { s.setAppSnapMulti(true); }},
        {"appSnapCanMulti", &S::appSnapCanMultiChanged, [](S& s) { s.setAppSnapCanMulti(true); }},
        {"installedApps", &S::installedAppsChanged, [app](S& s) { s.setInstalledApps({app}); }},
        {"appPickerOpen", &S::appPickerOpenChanged, [](S& s) { s.setAppPickerOpen(true); }},
        {"appPickerQuery", &S::appPickerQueryChanged,
         [](S& s) { s.setAppPickerQuery(QStringLiteral("ma")); }},
        {"appPickerHighlight", &S::appPickerHighlightChanged,
         [](S& s) { s.setAppPickerHighlight(QStringLiteral("org.example.Mail")); }},
        {"displayCount", &S::displayCountChanged, [](S& s) { s.setDisplayCount(3); }},
        {"animating", &S::animatingChanged, [](S& s) { s.setAnimating(true); }},
        {"flash", &S::flashChanged, [](S& s) { s.setFlash(SnapAction::redo); }},
        {"pressedKeys", &S::pressedKeysChanged,
         [](S& s) {
             s.setPressedKeys({{0, 1.5}});
         }},
    };
    for (const auto& field : fields) {
        SCOPED_TRACE(field.name);
        for (const auto& key : defaults().keys())
            defaults().remove(key);
        auto& store = makeStore();
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        for (const auto& other : fields)
            spies.push_back(std::make_unique<QSignalSpy>(&store, other.changed));

        field.setNewValue(store);
        field.setNewValue(store);
        for (size_t i = 0; i < fields.size(); ++i)
            EXPECT_EQ(spies[i]->count(), fields[i].changed == field.changed ? 1 : 0)
                << "signal " << fields[i].name;
    }
}

// --- The main window's size ----------------------------------------------------------------

TEST(RestoredMainWindowFrame, KeepsTheTopEdgeAndCentreWithinTheScreen) {
    const QRectF screen(0, 25, 1440, 875); // y downwards: the menu bar above
    struct Case {
        const char* name;
        MainWindowState window;
        std::optional<QRectF> expected;
    };
    const Case cases[] = {
        {"AlreadyStandard", {{100, 100, 956, 891}, false, QRectF(0, 0, 2000, 1200)}, std::nullopt},
        {"WithinOnePoint", {{100, 100, 955.2, 891.9}, false, QRectF(0, 0, 2000, 1200)}, std::nullopt},
        {"FullScreenIsLeftAlone", {{0, 0, 800, 600}, true, screen}, std::nullopt},
        {"NoScreen", {{0, 0, 800, 600}, false, std::nullopt}, std::nullopt},
        {"GrowsAroundItsCentre",
         {{400, 100, 600, 500}, false, QRectF(0, 0, 2000, 1200)},
         QRectF(222, 100, 956, 891)},
        // 1280 × 777: the height is what the screen has, the top edge pulled into it.
        {"ShortScreen", {{200, 300, 700, 500}, false, QRectF(0, 23, 1280, 777)}, QRectF(72, 23, 956, 777)},
        {"PulledBackFromTheRight", {{1200, 30, 400, 400}, false, screen}, QRectF(484, 25, 956, 875)},
        {"PulledBackFromTheLeft", {{-300, 30, 400, 400}, false, screen}, QRectF(0, 25, 956, 875)},
        {"HalvesRoundAwayFromZero",
         {{300.5, 100.5, 500, 500}, false, QRectF(0, 0, 2000, 1200)},
         QRectF(73, 101, 956, 891)},
        // The standard size is the client area's: a window reopened with its title bar and
        // borders known (1 around, a 24-point title bar) is left as it is …
        {"StandardWithItsDecorations",
         {{100, 100, 958, 916}, false, QRectF(0, 0, 2000, 1200), false, false, QMarginsF(1, 24, 1, 1)},
         std::nullopt},
        // … and the frame that sets it again holds the decorations too.
        {"GrowsWithItsDecorations",
         {{100, 100, 702, 525}, false, QRectF(0, 0, 2000, 1200), false, false, QMarginsF(1, 24, 1, 1)},
         QRectF(0, 100, 958, 916)},
        // On a short screen the whole frame, title bar included, stays on it.
        {"ShortScreenWithDecorations",
         {{200, 300, 702, 525}, false, QRectF(0, 23, 1280, 777), false, false, QMarginsF(1, 24, 1, 1)},
         QRectF(72, 23, 958, 777)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto frame = TilewickStore::restoredMainWindowFrame(c.window);
        ASSERT_EQ(frame.has_value(), c.expected.has_value());
        if (frame) {
            EXPECT_EQ(*frame, *c.expected);
        }
    }
}

TEST_F(StoreTest, RestoreMainWindowSizeSetsTheFrameOnlyForAVisibleWindow) {
    auto& store = makeStore();
    store.restoreMainWindowSize(true);
    EXPECT_TRUE(shell->frames.empty());

    shell->mainWindow = MainWindowState{{200, 300, 700, 500}, false, QRectF(0, 23, 1280, 777)};
    store.restoreMainWindowSize(true);
    ASSERT_EQ(shell->frames.size(), 1u);
    EXPECT_EQ(shell->frames[0], std::make_pair(QRectF(72, 23, 956, 777), true));
    // Already standard now: left unmoved.
    store.restoreMainWindowSize(false);
    EXPECT_EQ(shell->frames.size(), 1u);
}

TEST_F(StoreTest, RequestAccessibilityAsksAndLeavesTrustedToTheNextTick) {
    desktop().setTrusted(false);
    auto& store = makeStore();
    const int requests = desktop().trustRequests();
    store.requestAccessibility();
    EXPECT_EQ(desktop().trustRequests(), requests + 1);
    desktop().setTrusted(true);
    EXPECT_FALSE(store.trusted());
    runtime().advance(1.5);
    EXPECT_TRUE(store.trusted());
}

} // namespace
