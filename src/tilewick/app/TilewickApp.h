#pragma once

#include <functional>
#include <memory>

namespace platform {
class FloatingPanel;
class Platform;
class ScreenSession;
class SingleInstance;
class TaskbarPresence;
class TerminationSignals;
} // namespace platform

namespace tilewick {

// What the program runs on. The composition root (CompositionRoot.cpp) makes every piece, keeps
// it alive while the program runs, and hands it on from here: the platform to the store, the
// hotkey engine, the window mover and the delegate, its view services to the windows and the
// tray menu, the taskbar presence to the shell, the screen session to the in-use rule, the floating
// panel to the floating keyboard.
struct ProgramServices {
    std::shared_ptr<platform::Platform> platform;
    // Claimed as primary before the program starts; later starts show the main window.
    platform::SingleInstance& instance;
    // A request to terminate takes the program's one orderly quit.
    platform::TerminationSignals& termination;
    platform::ScreenSession& screenSession;
    platform::TaskbarPresence& taskbar;
    // How the floating keyboard's window floats over the desktop.
    platform::FloatingPanel& floatingPanel;
    // Sends the requests Qt has made so far (a window's map) now, not at the event loop's next
    // turn.
    std::function<void()> sendWindowRequests;
    // Sends the requests the platform held back at the launch (the hotkeys' key grabs).
    std::function<void()> sendKeyGrabs;
};

// Makes the program's objects on `services`, runs the event loop and quits in order; the
// QApplication exists, the platform is installed and this process holds the single instance.
// Returns the exit status.
int runProgram(const ProgramServices& services);

} // namespace tilewick
