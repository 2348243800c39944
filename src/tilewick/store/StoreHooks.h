#pragma once

#include "Bindings.h"
#include "tilewick/appsnaps/AppSnap.h"

#include "platform/Workspace.h"

#include <QList>
#include <QRectF>

#include <memory>
#include <optional>

namespace tilewick {

// What the store hands the hotkey engine.
class HotkeyEngineHook {
public:
    virtual ~HotkeyEngineHook() = default;
    // Replaces the engine's chord table with these effective bindings.
    virtual void update(const Bindings& effective) = 0;
    // Stops handing key-downs to the hotkey recorder.
    virtual void clearRecorder() = 0;
};

// The floating keyboard panel, as far as the store drives it.
class KeyboardOverlayHook {
public:
    virtual ~KeyboardOverlayHook() = default;
    virtual void hide() = 0;
    virtual bool isVisible() const = 0;
};

// Where the Default App Snaps are kept.
class AppSnapStorage {
public:
    virtual ~AppSnapStorage() = default;
    virtual QList<AppSnap> load() = 0;
    virtual void save(const QList<AppSnap>& snaps) = 0;
};

// The main window as the shell reports it, in the desktop's global coordinates (y downwards).
struct MainWindowState {
    QRectF frame;
    bool fullScreen = false;
    // The visible frame of the window's screen, else of the main screen; none without screens.
    std::optional<QRectF> screenVisibleFrame;
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
    // The visible window "main"; none when there is none.
    virtual std::optional<MainWindowState> visibleMainWindow() const = 0;
    virtual void setMainWindowFrame(const QRectF& frame, bool animate) = 0;
};

// Stand-ins used until the hotkey engine, the floating keyboard, the Default App Snaps storage
// and the application shell exist. They do nothing and report nothing.
class InertHotkeyEngine final : public HotkeyEngineHook {
public:
    void update(const Bindings&) override {}
    void clearRecorder() override {}
};

class InertKeyboardOverlay final : public KeyboardOverlayHook {
public:
    void hide() override {}
    bool isVisible() const override { return false; }
};

class InertAppSnapStorage final : public AppSnapStorage {
public:
    QList<AppSnap> load() override { return {}; }
    void save(const QList<AppSnap>&) override {}
};

class InertAppShell final : public AppShell {
public:
    void setActivationPolicy(platform::ActivationPolicy) override {}
    bool isActive() const override { return false; }
    void activateIgnoringOtherApps() override {}
    bool focusVisibleMainWindow() override { return false; }
    std::optional<MainWindowState> visibleMainWindow() const override { return std::nullopt; }
    void setMainWindowFrame(const QRectF&, bool) override {}
};

// The collaborators of the store.
struct StoreHooks {
    std::shared_ptr<HotkeyEngineHook> engine;
    std::shared_ptr<KeyboardOverlayHook> overlay;
    std::shared_ptr<AppSnapStorage> appSnaps;
    std::shared_ptr<AppShell> shell;

    // The program's own collaborators; a missing one is filled with its inert stand-in.
    static StoreHooks standard();
    StoreHooks completed() const;
};

} // namespace tilewick
