#pragma once

#include "Bindings.h"
#include "tilewick/engine/HotkeyEngine.h"
#include "tilewick/engine/MultiWindow.h"
#include "tilewick/engine/OverlayHoles.h"
#include "tilewick/model/AppSnap.h"

#include "platform/EventTap.h"
#include "platform/Screens.h"
#include "platform/Workspace.h"

#include <QList>
#include <QMargins>
#include <QRectF>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace tilewick {

// The hotkey engine as the store drives it (HotkeyEngineAdapter over a HotkeyEngine in the
// program).
class HotkeyEngineHook {
public:
    using Recorder = HotkeyEngine::Recorder;

    virtual ~HotkeyEngineHook() = default;
    // Hands the engine's actions and modifier changes to `client` from now on.
    virtual void attach(HotkeyEngine::Client& client) = 0;
    // Replaces the engine's chord table with these effective bindings.
    virtual void update(const Bindings& effective) = 0;
    // Makes sure an enabled event tap exists; false when none can be made.
    virtual bool start() = 0;
    virtual bool hasTap() const = 0;
    virtual bool isTapEnabled() const = 0;
    // Tries again to take the chords other programs held.
    virtual void retakeChords() = 0;
    // Hands key-downs typed in this program to `recorder` instead of acting on them.
    virtual void setRecorder(Recorder recorder) = 0;
    // Stops handing key-downs to the hotkey recorder.
    virtual void clearRecorder() = 0;
};

// A HotkeyEngine driven by the store: bindings become the engine's chord table.
class HotkeyEngineAdapter final : public HotkeyEngineHook {
public:
    explicit HotkeyEngineAdapter(std::shared_ptr<HotkeyEngine> engine) : m_engine(std::move(engine)) {}

    void attach(HotkeyEngine::Client& client) override { m_engine->setClient(&client); }
    void update(const Bindings& effective) override { m_engine->update(chordTable(effective)); }
    bool start() override { return m_engine->start(); }
    bool hasTap() const override { return m_engine->hasTap(); }
    bool isTapEnabled() const override { return m_engine->isTapEnabled(); }
    void retakeChords() override { m_engine->retakeChords(); }
    void setRecorder(Recorder recorder) override { m_engine->setRecorder(std::move(recorder)); }
    void clearRecorder() override { m_engine->clearRecorder(); }

private:
    std::shared_ptr<HotkeyEngine> m_engine;
};

class TilewickStore;
class WindowMover;

// The floating keyboard panel, as far as the store drives it. The store hands it to the window
// mover, whose writes (on worker queues too, for multi-window fills) ask isVisible and punch holes.
class KeyboardOverlayHook : public OverlayHoles {
public:
    // The store the panel draws and tells when it shows or hides (refreshAnimating); the store
    // attaches itself when it is made.
    virtual void attach(TilewickStore& store) { (void)store; }
    // Shows the panel on `screen` (or moves it there); no screen: nothing happens.
    virtual void show(const std::optional<platform::ScreenInfo>& screen) = 0;
    virtual void hide() = 0;
    // True from a show until the next hide. Called from any thread.
    bool isVisible() const override = 0;
};

// The multi-window filler, as far as the store drives it.
class MultiWindowHook {
public:
    virtual ~MultiWindowHook() = default;
    // Fills the layout of `action` with windows of the front application; other actions move
    // the focused window alone.
    virtual void snap(SnapAction action) = 0;
    // Whether the application `pid` can open new windows; `completion` runs later, on the main
    // thread.
    virtual void checkSupport(qint32 pid, std::function<void(bool supported)> completion) = 0;
    // The store's time of its last hotkey action (uptime seconds), which later re-placements give
    // way to.
    virtual void attach(std::function<double()> lastSnapAt) { (void)lastSnapAt; }
};

// A MultiWindow driven by the store.
class MultiWindowAdapter final : public MultiWindowHook {
public:
    explicit MultiWindowAdapter(std::shared_ptr<MultiWindow> filler) : m_filler(std::move(filler)) {}

    void snap(SnapAction action) override { m_filler->snap(action); }
    void checkSupport(qint32 pid, std::function<void(bool)> completion) override {
        m_filler->checkSupport(pid, std::move(completion));
    }
    void attach(std::function<double()> lastSnapAt) override {
        m_filler->setLastSnapAt(std::move(lastSnapAt));
    }

private:
    std::shared_ptr<MultiWindow> m_filler;
};

// Where the Default App Snaps are kept (the program's defaults, DefaultsAppSnapStorage).
class AppSnapStorage {
public:
    virtual ~AppSnapStorage() = default;
    virtual QList<AppSnap> load() = 0;
    virtual void save(const QList<AppSnap>& snaps) = 0;
};

// The Default App Snaps engine, as far as the store drives it.
class AppSnapsHook {
public:
    virtual ~AppSnapsHook() = default;
    // Watches for new windows the running applications that have a snap now, and no others.
    virtual void syncObservers() = 0;
};

// The application picker's search field, as the store steers it. The page that shows the field
// hands it to the store, which holds it weakly.
class AppPickerField {
public:
    virtual ~AppPickerField() = default;
    // The field is in a window on screen.
    virtual bool isInWindow() const = 0;
    // The field has the keyboard focus.
    virtual bool hasKeyboardFocus() const = 0;
    virtual void takeKeyboardFocus() = 0;
};

// The main window as the shell reports it, in the desktop's global coordinates (y downwards).
struct MainWindowState {
    // The outer frame, the window manager's decorations included.
    QRectF frame;
    bool fullScreen = false;
    // The visible frame of the window's screen, else of the main screen; none without screens.
    std::optional<QRectF> screenVisibleFrame;
    // Entirely covered by other windows, or on a screen that is off.
    bool occluded = false;
    // It has the keyboard focus (the key window).
    bool key = false;
    // What the window manager's decorations add around the client area; none where they are not
    // known (yet).
    QMarginsF decorations;
};

// The application shell: how the program appears on the desktop, and its window "main".
class AppShell {
public:
    virtual ~AppShell() = default;
    // Regular: a taskbar (Dock) presence; accessory: the menu-bar item only.
    virtual void setActivationPolicy(platform::ActivationPolicy policy) = 0;
    // This program is the active application.
    virtual bool isActive() const = 0;
    virtual void activateIgnoringOtherApps() = 0;
    // Brings the visible window "main" to the front and gives it the keyboard; false when no
    // such window is visible (closed or minimised).
    virtual bool focusVisibleMainWindow() = 0;
    // The visible window "main": shown and not minimised; none when there is none. The one
    // answer to whether the main window is visible: everything else asks this.
    virtual std::optional<MainWindowState> visibleMainWindow() const = 0;
    virtual void setMainWindowFrame(const QRectF& frame, bool animate) = 0;
    // Quits this program.
    virtual void terminate() = 0;
};

// Stand-ins for a store without a floating keyboard (the program's is KeyboardOverlay, in the
// visuals), and until the application shell exists.

// Remembers whether it was asked to show, so the store's trigger runs its course; it has no holes
// to punch.
class InertKeyboardOverlay final : public KeyboardOverlayHook {
public:
    void show(const std::optional<platform::ScreenInfo>& screen) override {
        if (screen)
            m_visible = true;
    }
    void hide() override { m_visible = false; }
    bool isVisible() const override { return m_visible; }
    void punchHole(const platform::AXElement&, const QRectF&) override {}

private:
    std::atomic<bool> m_visible{false};
};

class InertAppShell final : public AppShell {
public:
    void setActivationPolicy(platform::ActivationPolicy) override {}
    bool isActive() const override { return false; }
    void activateIgnoringOtherApps() override {}
    bool focusVisibleMainWindow() override { return false; }
    std::optional<MainWindowState> visibleMainWindow() const override { return std::nullopt; }
    void setMainWindowFrame(const QRectF&, bool) override {}
    void terminate() override {}
};

// The collaborators of the store. The engine, the mover and the multi-window filler are handed in;
// the rest may be missing.
struct StoreHooks {
    std::shared_ptr<HotkeyEngineHook> engine;
    // Missing: an inert stand-in.
    std::shared_ptr<KeyboardOverlayHook> overlay;
    // Missing: the store keeps them in its platform's defaults.
    std::shared_ptr<AppSnapStorage> appSnaps;
    // Missing: an inert stand-in.
    std::shared_ptr<AppShell> shell;
    std::shared_ptr<MultiWindowHook> multiWindow;
    // The program's window mover.
    std::shared_ptr<WindowMover> mover;

    // A hotkey engine on the event tap of `platform`, a window mover over it and a multi-window
    // filler over that mover; nothing else.
    static StoreHooks over(const platform::Platform& platform);
    // These hooks with the inert stand-ins for a missing overlay and shell.
    StoreHooks completed() const;
};

} // namespace tilewick
