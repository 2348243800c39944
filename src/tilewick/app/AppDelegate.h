#pragma once

#include "AppServices.h"
#include "ShellEvents.h"

#include "platform/EventTap.h"
#include "tilewick/mainwindow/ClickFrames.h"

#include <QObject>

#include <functional>

namespace platform {
class Platform;
}

namespace tilewick {

class TilewickStore;

// The application delegate: the accessory policy before launch, the start-up sequence, the local
// key and mouse monitors and the observers that keep the store's interface state current.
// Main thread only.
class AppDelegate final : public QObject {
    Q_OBJECT
public:
    // What the local key monitor asks of the program's windows.
    struct Focus {
        // The focused widget edits text.
        std::function<bool()> textFieldFocused;
        // A modal window is up.
        std::function<bool()> modalWindowOpen;
    };

    AppDelegate(TilewickStore& store, const platform::Platform& platform, AppServices services,
                ShellEvents& events, Focus focus, QObject* parent = nullptr);

    // Before launch completes: no taskbar presence when "showInDock" is off.
    void willFinishLaunching();
    // The launch is done: the local key and mouse monitors and the observers, so that the
    // program's windows answer from their first event.
    void didFinishLaunching();
    // The launch's services in their fixed order: the beta kit, a pending login item, Default App
    // Snaps and the activity observers; the conflicting utilities are looked for 0.6 s later. The
    // program starts them once the main window has its first picture.
    void startServices();
    // The program was started again, or its icon clicked: show the main window.
    void reopen();

    // The key monitor of the program's windows: every key-down, key-up and modifier change.
    platform::EventVerdict handleLocalKeyEvent(const platform::KeyEvent& event);
    // The left-button monitor; never consumes a click. It compares the click with the frames of
    // `frames` (none: every frame is empty).
    void handleLocalMouseDown(const MouseDown& click);
    void setClickFrames(const ClickFrameSource* frames) { m_clickFrames = frames; }

    // Uptime at which a window of the program last became key; 0 before.
    double keySince() const { return m_keySince; }

private:
    void observe();
    void refreshAnimatingLater();

    TilewickStore& m_store;
    const platform::Platform& m_platform;
    AppServices m_services;
    ShellEvents& m_events;
    Focus m_focus;
    const ClickFrameSource* m_clickFrames = nullptr;
    double m_keySince = 0;
    platform::LocalKeyMonitorRef m_keyMonitor;
};

} // namespace tilewick
