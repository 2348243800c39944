#pragma once

#include "platform/Runtime.h"

#include <QObject>

#include <functional>
#include <optional>

namespace platform {
class ScreenSession;
}

namespace tilewick {

class AppShell;
class ShellEvents;

// The in-use rule: the program is in use while it is active, the screens are awake and unlocked,
// and the window "main" is visible, key and not minimised. 5 s after it comes into use one quiet
// update check runs, then one every 60 s, until it is no longer in use. Main thread.
class BetaActivity final : public QObject {
    Q_OBJECT
public:
    struct Queries {
        std::function<bool()> applicationActive;
        // The window "main" is visible, key and not minimised.
        std::function<bool()> mainWindowInFront;

        // Both asked of the application shell: its activity, and its visible main window being key.
        static Queries of(const AppShell& shell);
    };

    static constexpr double kFirstCheckDelay = 5.0;
    static constexpr double kCheckInterval = 60.0;
    static constexpr double kCheckTolerance = 5.0;

    // `screens` may be null: the screens then never sleep or lock.
    BetaActivity(ShellEvents& events, platform::Runtime& runtime, Queries queries,
                 platform::ScreenSession* screens, QObject* parent = nullptr);

    // What each quiet check runs; a developer option records the times instead.
    std::function<void()> betaCheckHook;
    // When set, the answer of isMainWindowInFront().
    std::optional<bool> inFrontOverride;

    // Registers the observers and evaluates the rule once.
    void startBetaActivityObservers();
    bool isMainWindowInFront() const;
    // Arms the checks when the program came into use, stops them when it left.
    void updateQuietUpdateTimer();

private:
    void startQuietCheckTimer();
    void updateLater();

    ShellEvents& m_events;
    platform::Runtime& m_runtime;
    Queries m_queries;
    platform::ScreenSession* m_screens;
    bool m_screensAsleep = false;
    bool m_screenLocked = false;
    platform::WorkItemRef m_pendingCheckStart;
    platform::RepeatingTimerRef m_checkTimer;
};

} // namespace tilewick
