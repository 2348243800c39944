#pragma once

#include <QtGlobal>

#include <functional>

namespace tilewick {

// The neighbouring services the shell calls: the manual, changelog and About panels, the beta
// kit's feedback, update check and quit hook, and Default App Snaps. Each is filled in by the
// work that builds it; an empty one is not built yet (its menu item shows, disabled).
struct AppServices {
    std::function<void()> showManual;
    std::function<void()> showChangelog;
    std::function<void()> showAbout;
    // The feedback form, preset to a problem report, not after a crash.
    std::function<void()> showFeedback;
    // The interactive update check.
    std::function<void()> checkForUpdate;

    // Start-up: the beta kit (it gives the activity log its folder), the Default App Snaps
    // watchers and the observers that arm the quiet update checks.
    std::function<void()> startBetaKit;
    std::function<void()> startAppSnaps;
    std::function<void()> startBetaActivityObservers;
    // A key for the open application picker; true when it took the key.
    std::function<bool(quint16 keyCode)> handleAppPickerKey;
    // Runs at quit, after the event loop ends: the beta kit's quit hook.
    std::function<void()> quitHook;

    // Whether the keyboard is an ISO one, for the main window's drawn keyboard, which asks afresh at
    // each refresh; none: ANSI.
    std::function<bool()> isoKeyboard;
};

} // namespace tilewick
