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

// From the launch until sendHeldKeyGrabs(): the key grabs the program asks for are not made. A few
// hundred requests keep the server busy for milliseconds, and what waits behind them would wait:
// the window manager's mapping of the main window, the reads the program makes when it is told
// of it, and the first picture.
void holdKeyGrabs(const Platform& platform);

// Makes the key grabs held back and sends them; their answers are read once all are in, never
// waited for. Main thread.
void sendHeldKeyGrabs(const Platform& platform);

// Sends what Qt's own connection to the X server holds back until the next turn of the event
// loop (a window just shown is mapped now); nothing when Qt runs without X11. Main thread.
void sendRequests();

// Connects to the X server of $DISPLAY and registers the desktop services over it on `platform`:
// Accessibility, Screens, Workspace, Sound, Pointer, Keyboard, and the EventTap with the
// LocalKeyMonitors when the server has XKB. Call on the main thread, after the QApplication exists.
// False, with nothing registered, when no X server answers.
bool provideX11Desktop(Platform& platform, const OwnApplication& own);

} // namespace platform::x11
