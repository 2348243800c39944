#pragma once

#include "Bindings.h"
#include "ConflictingApp.h"
#include "StoreHooks.h"
#include "tilewick/engine/HotkeyEngine.h"
#include "tilewick/model/AppSnap.h"
#include "tilewick/model/InstalledApp.h"
#include "tilewick/model/SnapTab.h"

#include "platform/Runtime.h"
#include "platform/Screens.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QSet>
#include <QString>

#include <functional>
#include <limits>
#include <memory>
#include <optional>

namespace platform {
class Platform;
}

namespace tilewick {

// The one model object of the program: settings, hotkey bindings, permission and tap status,
// conflicting utilities, recording and modifier editing, hover and flash state, and the working
// state of the Default App Snaps page. Views read it and call its operations; the engines call
// into it. Main thread only.
//
// Each observed field has a getter, a setter and a change signal. The signal fires only when the
// value really changes; a setter's side effect (persistence, engine update, hiding the floating
// keyboard, activation policy, saving Default App Snaps) runs on every set, equal or not.
// Plain fields notify nothing.
//
// The operations are spread over several files by concern: settings and the initialiser
// (TilewickStore.cpp), bindings and their reset, login item, notes and the main window, status,
// recording and key tracking.
class TilewickStore final : public QObject, public HotkeyEngine::Client {
    Q_OBJECT

public:
    // Reads the settings from the platform's defaults and runs the initialiser. `hooks` must hold
    // the engine, the mover and the multi-window filler.
    TilewickStore(const platform::Platform& platform, StoreHooks hooks, QObject* parent = nullptr);
    ~TilewickStore() override;

    // --- Observed fields -------------------------------------------------------------------

    // The hotkey of each bound action.
    const Bindings& bindings() const { return m_bindings; }
    void setBindings(const Bindings& bindings);
    // The main window's selected tab; every set writes "lastTab".
    SnapTab tab() const { return m_tab; }
    void setTab(SnapTab tab);
    // The action whose hotkey is being recorded.
    std::optional<SnapAction> recording() const { return m_recording; }
    void setRecording(std::optional<SnapAction> action);
    // The process may use Accessibility.
    bool trusted() const { return m_trusted; }
    void setTrusted(bool trusted);
    // Permission is granted and the event tap exists and is enabled.
    bool hotkeysActive() const { return m_hotkeysActive; }
    void setHotkeysActive(bool active);
    // Running utilities that clash, sorted by name.
    const QList<ConflictingApp>& conflicts() const { return m_conflicts; }
    void setConflicts(const QList<ConflictingApp>& conflicts);
    // The program is registered as a login item and enabled; set through setLaunchAtLogin().
    bool launchAtLogin() const { return m_launchAtLogin; }
    // The transient message the main window shows.
    const std::optional<QString>& note() const { return m_note; }
    void setNote(const std::optional<QString>& note);
    // The one modifier set every hotkey uses; every set writes "modifiers" and hands the
    // effective bindings to the hotkey engine. A set with fewer than two hotkey modifiers is
    // refused: it would make plain keys global hotkeys.
    quint64 modifiers() const { return m_modifiers; }
    void setModifiers(quint64 modifiers);
    bool editingModifiers() const { return m_editingModifiers; }
    void setEditingModifiers(bool editing);
    // A new modifier chord was accepted during the current edit.
    bool modifiersTyped() const { return m_modifiersTyped; }
    void setModifiersTyped(bool typed);
    // Show the floating keyboard while the hotkey modifiers are held; switching it off hides it.
    bool keyboardOverlay() const override { return m_keyboardOverlay; }
    void setKeyboardOverlay(bool on);
    // The menu-bar item and the Dock (taskbar) icon; turning one off while the other is off
    // turns the other back on.
    bool showInMenuBar() const { return m_showInMenuBar; }
    void setShowInMenuBar(bool on);
    bool showInDock() const { return m_showInDock; }
    void setShowInDock(bool on);
    // The action whose card, or whose key on a drawn keyboard, the pointer is over.
    std::optional<SnapAction> hoveredAction() const { return m_hoveredAction; }
    void setHoveredAction(std::optional<SnapAction> action);
    std::optional<SnapAction> hoveredKeyAction() const { return m_hoveredKeyAction; }
    void setHoveredKeyAction(std::optional<SnapAction> action);
    bool hoveredModifierKey() const { return m_hoveredModifierKey; }
    void setHoveredModifierKey(bool hovered);
    bool hoveredGlobeKey() const { return m_hoveredGlobeKey; }
    void setHoveredGlobeKey(bool hovered);
    // Multi-window mode is showing: modifiers and Globe held over an application that can.
    bool multiWindow() const { return m_multiWindow; }
    void setMultiWindow(bool on);
    // The front application that cannot do multi-window while the chord is held.
    const std::optional<QString>& multiWindowUnsupported() const { return m_multiWindowUnsupported; }
    void setMultiWindowUnsupported(const std::optional<QString>& name);
    // The window mover's redo history is not empty.
    bool canRedo() const { return m_canRedo; }
    void setCanRedo(bool canRedo);
    // The main window is open.
    bool windowOpen() const { return m_windowOpen; }
    void setWindowOpen(bool open);
    // The saved Default App Snaps; every set saves them all.
    const QList<AppSnap>& appSnaps() const { return m_appSnaps; }
    void setAppSnaps(const QList<AppSnap>& snaps);
    // The saved snap of the application chosen in the setup; none without one.
    std::optional<AppSnap> currentAppSnap() const;
    // The Default App Snaps setup: the chosen application, display and multi-window switch.
    const std::optional<InstalledApp>& appSnapApp() const { return m_appSnapApp; }
    void setAppSnapApp(const std::optional<InstalledApp>& app);
    const std::optional<QString>& appSnapDisplayID() const { return m_appSnapDisplayID; }
    void setAppSnapDisplayID(const std::optional<QString>& displayID);
    bool appSnapMulti() const { return m_appSnapMulti; }
    bool appSnapCanMulti() const { return m_appSnapCanMulti; }
    void setAppSnapCanMulti(bool canMulti);
    // The application picker: its offer, whether its list is open, the search and the row lit.
    const QList<InstalledApp>& installedApps() const { return m_installedApps; }
    void setInstalledApps(const QList<InstalledApp>& apps);
    bool appPickerOpen() const { return m_appPickerOpen; }
    void setAppPickerOpen(bool open);
    const QString& appPickerQuery() const { return m_appPickerQuery; }
    void setAppPickerQuery(const QString& query);
    const std::optional<QString>& appPickerHighlight() const { return m_appPickerHighlight; }
    void setAppPickerHighlight(const std::optional<QString>& bundleID);
    // Number of connected displays.
    qint64 displayCount() const { return m_displayCount; }
    void setDisplayCount(qint64 count);
    // A drawn keyboard is on screen, so its animations may run.
    bool animating() const { return m_animating; }
    void setAnimating(bool animating);
    // The action highlighted just after it ran.
    std::optional<SnapAction> flash() const { return m_flash; }
    void setFlash(std::optional<SnapAction> action);
    // Keys held now, with the uptime at which each went down.
    const QHash<quint16, double>& pressedKeys() const { return m_pressedKeys; }
    void setPressedKeys(const QHash<quint16, double>& keys);

    // --- Set by the application shell -----------------------------------------------------

    // Opens the main window when none is visible.
    void setOpenMainWindow(std::function<void()> open) { m_openMainWindow = std::move(open); }

    // --- Bindings --------------------------------------------------------------------------

    // Reads "bindings", migrates tables of earlier versions, writes "bindingsVersion" 6 and
    // saves. Builds the defaults when there is nothing readable.
    void loadBindings();
    // Writes "bindings" and hands the effective bindings to the hotkey engine.
    void saveBindings();
    // Each binding with the store's modifier set in place of its own.
    Bindings effectiveBindings() const;
    bool isKeyCodeFree(quint16 keyCode) const;
    // The bound key of `action` with the store's modifiers; none when unbound.
    std::optional<Hotkey> hotkey(SnapAction action) const;
    // Asks, then puts every hotkey and the modifiers back to the factory defaults.
    void resetAllHotkeys();

    // --- Login item, main window, notes ----------------------------------------------------

    // Registers the login item once, on the first launch from an Applications folder.
    void applyPendingStartAtLogin();
    void refreshLaunchAtLogin();
    // The user's switch; `launchAtLogin` then shows the real state, not the request.
    void setLaunchAtLogin(bool on);
    // Opens the place where the user manages the programs started at login (the autostart
    // folder).
    void openLoginItems();
    // Quits this program, turning start at login off first when it is on. A failure to turn it
    // off goes to the activity log: a note could never be seen.
    void quitTilewick();
    void showMainWindow();
    // The main window came on screen: it is open, and after the current turn it gets its
    // standard size.
    void mainWindowShown();
    // Shows `text` until 5 s after the last note.
    void showNote(const QString& text);

    // --- Window services -------------------------------------------------------------------

    // Gives the main window its standard size (956 × 891, within its screen), keeping its top
    // edge and centre where the screen allows.
    void restoreMainWindowSize(bool animate);
    // The frame restoreMainWindowSize sets; none when the window is to be left alone.
    static std::optional<QRectF> restoredMainWindowFrame(const MainWindowState& window);
    // Asks for Accessibility permission and opens the place where the user grants it; on a
    // desktop without such a place, shows kTrustNote.
    void requestAccessibility();
    static constexpr const char* kTrustNote =
        "Tilewick moves windows through your window manager. Run one that follows the EWMH "
        "conventions (Openbox, Xfwm, Fluxbox, IceWM and most others do), and Tilewick turns on by itself.";

    // --- Status, recording, floating keyboard ----------------------------------------------

    // Polls permission and the hotkey engine's tap, making the tap afresh when it is missing or
    // disabled, and publishes whether hotkeys work; runs every 1.5 s.
    void refreshStatus();
    // Looks for running utilities that clash; `alert` warns, once per utility and run, about
    // those not yet warned about.
    void refreshConflicts(bool alert);
    // The warning about one utility, unless it quit meanwhile. Warnings come one after another,
    // never one inside another's modal loop.
    void showConflictAlert(const ConflictingApp& app);
    // Asks the utility to quit, says how to keep it off, and looks again 1.5 s later.
    void quitConflictingApp(const ConflictingApp& app);

    // Waits for the key that `action` is to be bound to.
    void beginRecording(SnapAction action);
    // The key-down typed while recording: Escape cancels, Delete clears the hotkey, any other
    // key becomes it (after asking when another action holds it).
    void recordKey(const platform::KeyEvent& event);
    // Stops delivering keys to the hotkey recorder; `recording` stays as it is.
    void stopRecording();
    // Stops delivering keys and clears `recording`: the action keeps the key it has now.
    void endRecording();
    // Editing the modifier set: every chord of two or three modifiers pressed meanwhile
    // becomes the set at once.
    void beginEditingModifiers();
    void recordModifierChord(quint64 flags);
    void finishEditingModifiers();

    // --- What the user does in the views ---------------------------------------------------
    // One operation per gesture: the views call it and read the result back, and the rules
    // (which tab shows, what is busy) stay here.

    // A key is being recorded or the modifier keys are being edited; hovering then leaves the
    // tab alone.
    bool busy() const { return m_recording.has_value() || m_editingModifiers; }
    // `code` is the key of one of the hotkey modifiers.
    bool isHotkeyModifierKey(quint16 code) const;
    // A tap on a key of the main window's keyboard that carries `action` (none: an unbound key).
    // A bound key shows its action's tab and records a new key for the action; an unbound
    // hotkey modifier key shows the Global tab and edits the modifier keys; any other key does
    // nothing.
    void tapKey(std::optional<quint16> code, std::optional<SnapAction> action);
    // The pointer entered (`hovering`) or left such a key. A bound key becomes the hovered key
    // action and, unless busy, shows its action's tab; an unbound hotkey modifier key or the Globe
    // key becomes the hovered modifier or Globe key and, unless busy, shows the Global tab; any
    // other key does nothing.
    void hoverKey(std::optional<quint16> code, std::optional<SnapAction> action, bool hovering);
    // Closes the application picker's list and clears its search.
    void closeAppPicker();
    // What the main window does after the tab changed: a recording of another tab's action
    // ends, and leaving Default App Snaps closes the application picker.
    void followTabChange();

    // --- Default App Snaps ---
    // Everything the Default App Snaps page does goes through these; they save at once.

    // Makes `app` the one being set up: its saved multi-window choice and display (else the
    // first display when there are several), and whether it can open several windows, which
    // the running application's menus answer later when it runs.
    void chooseAppSnapApp(const InstalledApp& app);
    // The edit button of a saved snap: chooses its application, from the installed ones or as
    // the desktop knows it; nothing when neither knows it.
    void editAppSnap(const AppSnap& snap);
    // A layout key picked for the chosen application: saves its snap (in place when it has one),
    // logs it, says so in a note and ends the setup. Without a chosen application only a note.
    void assignAppSnapKey(SnapAction action);
    // The setup's multi-window switch; a saved snap of the application follows it at once (a
    // centre or maximise snap cannot fill several windows: it goes, and a note asks for a key).
    void setAppSnapMulti(bool on);
    // The display chosen in the setup, when several are connected and it is one of them; else
    // none, and the snap follows its window's screen.
    void applyChosenDisplay(AppSnap& snap) const;
    // Replaces the application's snap in place, or appends it; saves, and the engine watches
    // the application's windows from now on.
    void upsertAppSnap(const AppSnap& snap);
    // Removes the application's snaps; saves, logs, and with `withNote` says so.
    void removeAppSnap(const QString& bundleID, bool withNote);
    // Finds the installed applications once per run, off the main thread, and publishes them.
    void scanInstalledApps();
    // Opens the picker's list on the chosen application, else on the first one offered.
    void openAppPicker();
    // The picker's offer for its query: names beginning with it first, then those holding it
    // elsewhere, each in the list's order; all of them for an empty query.
    QList<InstalledApp> filteredInstalledApps() const;
    // Gives the picker's field the keyboard unless it has it.
    void focusAppPickerField();
    // Arrows, Return, Enter and Escape while the picker's list is open; true when taken.
    bool handleAppPickerKey(quint16 keyCode);
    // The application the desktop knows by this identifier, with its location and icon; none
    // when it knows none. Asks the desktop every time.
    std::optional<InstalledApp> lookUpApplication(const QString& bundleID) const;
    // The connected displays in the desktop's order, for the setup's display chooser.
    QList<platform::ScreenInfo> screens() const;
    // The picker's search field, held weakly.
    void setAppPickerField(std::weak_ptr<AppPickerField> field) { m_appPickerField = std::move(field); }
    // The Default App Snaps engine, told after every change of the snaps. Set once it exists.
    void setAppSnapsEngine(std::shared_ptr<AppSnapsHook> engine) { m_appSnapsEngine = std::move(engine); }

    // --- Action dispatch -------------------------------------------------------------------

    // Runs the action of a hotkey: moves the focused window (with `globe`, fills the layout of
    // the tab's anchor with several windows), shows the action's tab unless Default App Snaps
    // is open, and flashes the action for 1.6 s. Cancels a pending floating keyboard.
    void perform(SnapAction action, bool globe) override;
    // The action a multi-window fill uses for `action`: the anchor of its tab for layouts,
    // else the action itself.
    SnapAction multiWindowAction(SnapAction action) const;
    // The bound action of `tab` whose key lies furthest out on the keyboard, on the side where
    // the tab's keys lean; the upper row wins within a column. None without bound keys.
    std::optional<SnapAction> anchorAction(SnapTab tab) const;
    // Selects the tab `step` places along the tab bar, wrapping around at both ends.
    void stepTab(int step);
    // Uptime of the last hotkey action (-infinity before the first). Delayed re-placements
    // give way when it is newer than their own start.
    double lastSnapAt() const { return m_lastSnapAt; }

    // --- Key tracking and the floating keyboard --------------------------------------------

    // Follows which keys are held, from this program's key monitor and the hotkey engine.
    void trackKey(const platform::KeyEvent& event);
    // Forgets held modifier keys whose flag is not in `flags`.
    void pruneReleasedModifiers(quint64 flags);
    // Every hotkey modifier is held (extra modifiers do not matter).
    bool modifiersHeld() const;
    // The hotkey modifiers and Globe are held.
    bool globeChordHeld() const;
    // A modifier change in another application: tracks keys, updates the multi-window state,
    // and shows the floating keyboard 0.12 s after exactly the hotkey modifiers went down.
    void flagsChanged(const platform::KeyEvent& event) override;
    void updateMultiWindowState();
    void applyMultiWindowCheck(bool supported, const std::optional<QString>& name);
    // The delayed showing of the floating keyboard, if the modifiers are still held.
    void showOverlayIfStillHeld();
    void hideOverlay();
    // Whether any drawn keyboard can be seen: the main window in front, or the floating one.
    void refreshAnimating();
    // This program came to the front: the floating keyboard goes, and what may have changed
    // meanwhile (animating, the login item) is read again.
    void applicationBecameActive();
    // This program left the front: keys held now never come back up to it, and a modifier edit
    // ends.
    void applicationResignedActive();

signals:
    void bindingsChanged();
    void tabChanged();
    void recordingChanged();
    void trustedChanged();
    void hotkeysActiveChanged();
    void conflictsChanged();
    void launchAtLoginChanged();
    void noteChanged();
    void modifiersChanged();
    void editingModifiersChanged();
    void modifiersTypedChanged();
    void keyboardOverlayChanged();
    void showInMenuBarChanged();
    void showInDockChanged();
    void hoveredActionChanged();
    void hoveredKeyActionChanged();
    void hoveredModifierKeyChanged();
    void hoveredGlobeKeyChanged();
    void multiWindowChanged();
    void multiWindowUnsupportedChanged();
    void canRedoChanged();
    void windowOpenChanged();
    void appSnapsChanged();
    void appSnapAppChanged();
    void appSnapDisplayIDChanged();
    void appSnapMultiChanged();
    void appSnapCanMultiChanged();
    void installedAppsChanged();
    void appPickerOpenChanged();
    void appPickerQueryChanged();
    void appPickerHighlightChanged();
    void displayCountChanged();
    void animatingChanged();
    void flashChanged();
    void pressedKeysChanged();

private:
    void initialise();
    quint64 readModifiers() const;
    // Settings someone changed in the defaults behind the program's back (a hand edit).
    void takeExternalSettings(const QStringList& changedKeys);
    // The last modifier change left exactly the hotkey modifiers held.
    bool hotkeyChordHeld() const;
    // Hides the floating keyboard; in the background the held keys become `stillHeld`.
    void hideOverlay(const QHash<quint16, double>& stillHeld);

    // Stores `value`; emits `changed` only when it differs from the stored one.
    template <typename T, typename U> bool assign(T& field, U&& value, void (TilewickStore::*changed)()) {
        if (field == value)
            return false;
        field = std::forward<U>(value);
        emit(this->*changed)();
        return true;
    }

    const platform::Platform& m_platform;
    StoreHooks m_hooks;

    Bindings m_bindings;
    SnapTab m_tab = SnapTab::global;
    std::optional<SnapAction> m_recording;
    bool m_trusted = false;
    bool m_hotkeysActive = false;
    QList<ConflictingApp> m_conflicts;
    bool m_launchAtLogin = false;
    std::optional<QString> m_note;
    quint64 m_modifiers = kDefaultHotkeyModifiers;
    bool m_editingModifiers = false;
    bool m_modifiersTyped = false;
    bool m_keyboardOverlay = true;
    bool m_showInMenuBar = true;
    bool m_showInDock = true;
    // The scheduled showing of the floating keyboard.
    platform::WorkItemRef m_overlayPending;
    // The "hotkeys" event has been written once.
    bool m_accessLogged = false;
    // The conflict count last logged.
    qint64 m_lastConflictCount = 0;
    // Modifier flags last seen by the key tracking, under the hotkey mask.
    quint64 m_globalFlags = 0;
    std::optional<SnapAction> m_hoveredAction;
    std::optional<SnapAction> m_hoveredKeyAction;
    bool m_hoveredModifierKey = false;
    bool m_hoveredGlobeKey = false;
    bool m_multiWindow = false;
    std::optional<QString> m_multiWindowUnsupported;
    bool m_globeHeld = false;
    bool m_canRedo = false;
    bool m_windowOpen = true;
    QList<AppSnap> m_appSnaps;
    std::optional<InstalledApp> m_appSnapApp;
    std::optional<QString> m_appSnapDisplayID;
    bool m_appSnapMulti = false;
    bool m_appSnapCanMulti = false;
    QList<InstalledApp> m_installedApps;
    std::weak_ptr<AppPickerField> m_appPickerField;
    std::shared_ptr<AppSnapsHook> m_appSnapsEngine;
    bool m_appPickerOpen = false;
    QString m_appPickerQuery;
    std::optional<QString> m_appPickerHighlight;
    qint64 m_displayCount = 0;
    std::function<void()> m_openMainWindow;
    bool m_animating = false;
    std::optional<SnapAction> m_flash;
    QHash<quint16, double> m_pressedKeys;
    // The local key monitor installed while recording without a running tap; dropping the
    // token removes the monitor.
    std::shared_ptr<void> m_recorder;
    // Bundle identifiers already alerted about in this process.
    QSet<QString> m_alerted;
    // A conflict alert is up; those queued meanwhile wait here for it to end.
    bool m_conflictAlertShowing = false;
    QList<ConflictingApp> m_waitingConflictAlerts;
    platform::WorkItemRef m_noteTask;
    platform::RepeatingTimerRef m_timer;
    platform::WorkItemRef m_flashTask;
    // Modifier flags gathered during the current modifier edit.
    quint64 m_chord = 0;
    double m_lastSnapAt = -std::numeric_limits<double>::infinity();
};

} // namespace tilewick
