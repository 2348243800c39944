#include "BetaActivity.h"

#include "ShellEvents.h"

#include "betakit/BetaLog.h"
#include "betakit/VeldorBeta.h"
#include "platform/ScreenSession.h"
#include "tilewick/store/StoreHooks.h"

#include <QPointer>

namespace tilewick {

BetaActivity::BetaActivity(ShellEvents& events, platform::Runtime& runtime, Queries queries,
                           platform::ScreenSession* screens, QObject* parent)
    : QObject(parent), betaCheckHook([] { betakit::VeldorBeta::checkForUpdateQuietly(); }), m_events(events),
      m_runtime(runtime), m_queries(std::move(queries)), m_screens(screens) {}

BetaActivity::Queries BetaActivity::Queries::of(const AppShell& shell) {
    return {[&shell] { return shell.isActive(); },
            [&shell] {
                const auto window = shell.visibleMainWindow();
                return window && window->key;
            }};
}

void BetaActivity::startBetaActivityObservers() {
    // Application and window changes settle first: the rule runs on a later turn.
    const auto later = [this] { updateLater(); };
    connect(&m_events, &ShellEvents::applicationDidBecomeActive, this, later);
    connect(&m_events, &ShellEvents::applicationDidResignActive, this, later);
    connect(&m_events, &ShellEvents::windowDidBecomeKey, this, later);
    connect(&m_events, &ShellEvents::windowDidResignKey, this, later);
    connect(&m_events, &ShellEvents::windowDidMiniaturize, this, later);
    connect(&m_events, &ShellEvents::windowDidDeminiaturize, this, later);
    connect(&m_events, &ShellEvents::windowWillClose, this, later);
    // Screens sleeping and locking count at once.
    if (m_screens && m_screens->observing()) {
        const auto set = [this](bool& flag, bool value) {
            flag = value;
            updateQuietUpdateTimer();
        };
        connect(m_screens, &platform::ScreenSession::screensDidSleep, this,
                [=, this] { set(m_screensAsleep, true); });
        connect(m_screens, &platform::ScreenSession::screensDidWake, this,
                [=, this] { set(m_screensAsleep, false); });
        connect(m_screens, &platform::ScreenSession::screenLocked, this,
                [=, this] { set(m_screenLocked, true); });
        connect(m_screens, &platform::ScreenSession::screenUnlocked, this,
                [=, this] { set(m_screenLocked, false); });
    } else {
        // Without the session's notifications the screens count as awake and unlocked.
        betakit::BetaLog::event("screen_state", {{"observed", false}});
    }
    // The program may already be in use when the observers start.
    updateQuietUpdateTimer();
}

void BetaActivity::updateLater() {
    QPointer<BetaActivity> self(this);
    m_runtime.async([self] {
        if (self)
            self->updateQuietUpdateTimer();
    });
}

bool BetaActivity::isMainWindowInFront() const {
    if (inFrontOverride)
        return *inFrontOverride;
    if (!m_queries.applicationActive() || m_screensAsleep || m_screenLocked)
        return false;
    return m_queries.mainWindowInFront();
}

void BetaActivity::updateQuietUpdateTimer() {
    if (isMainWindowInFront()) {
        // An armed or running schedule is never restarted while the program stays in use.
        if (m_pendingCheckStart || m_checkTimer)
            return;
        QPointer<BetaActivity> self(this);
        m_pendingCheckStart = m_runtime.after(kFirstCheckDelay, [self] {
            if (self)
                self->startQuietCheckTimer();
        });
        return;
    }
    if (m_pendingCheckStart)
        m_pendingCheckStart->cancel();
    m_pendingCheckStart.reset();
    if (m_checkTimer)
        m_checkTimer->cancel();
    m_checkTimer.reset();
}

void BetaActivity::startQuietCheckTimer() {
    m_pendingCheckStart.reset();
    betaCheckHook();
    QPointer<BetaActivity> self(this);
    m_checkTimer = m_runtime.every(kCheckInterval, kCheckTolerance, [self] {
        if (self)
            self->betaCheckHook();
    });
}

} // namespace tilewick
