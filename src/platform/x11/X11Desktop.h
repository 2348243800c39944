#pragma once

#include <QString>

namespace platform {
class Platform;
}

namespace platform::x11 {

// This program as the desktop lists it among the running applications.
struct OwnApplication {
    QString bundleIdentifier;
    QString name;
    QString bundlePath;
};

// Whether the X server of $DISPLAY accepts a connection.
bool displayAnswers();

// From the launch until sendRequests(): the key grabs the program asks for wait for the main
// window's map request; they go out on the event loop's first turn, and their answers are read on
// the next (the server works through them once the window manager has had the window).
void holdKeyGrabs(const Platform& platform);

// Sends what Qt's own connection to the X server holds back until the next turn of the event
// loop (a window just shown is mapped now), and lets the key grabs held back go on the next
// turn; nothing of Qt's when Qt runs without X11. Main thread.
void sendRequests(const Platform& platform);

// Connects to the X server of $DISPLAY and registers the desktop services over it on `platform`:
// Accessibility, Screens, Workspace, Sound, Pointer, Keyboard, and the EventTap with the
// LocalKeyMonitors when the server has XKB. Call on the main thread, after the QApplication exists.
// False, with nothing registered, when no X server answers.
bool provideX11Desktop(Platform& platform, const OwnApplication& own);

} // namespace platform::x11
