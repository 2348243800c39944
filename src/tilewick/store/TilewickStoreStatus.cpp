// The store's status poll and conflict watch.

#include "TilewickStore.h"

#include "betakit/BetaLog.h"
#include "platform/Accessibility.h"
#include "platform/Alerts.h"
#include "platform/EventTap.h"
#include "platform/LoginItems.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"

#include <algorithm>

namespace tilewick {

namespace {

// How long after quitting another utility the running applications are looked at again.
constexpr double kRescanAfterQuitSeconds = 1.5;

} // namespace

void TilewickStore::refreshStatus() {
    const bool trusted = m_platform.service<platform::Accessibility>().isProcessTrusted();
    setTrusted(trusted);

    // A tap that is missing (never made, or its creation failed) or that the system disabled
    // for good is made afresh.
    auto& engine = *m_hooks.engine;
    // A new tap asks for the chords itself: that is this poll's look.
    if (trusted && !engine.isTapEnabled())
        engine.start();
    // A chord another program held works once that program lets go.
    else if (engine.isTapEnabled())
        engine.retakeChords();

    if (!m_pressedKeys.isEmpty()) {
        if (const auto* tap = m_platform.find<platform::EventTap>())
            pruneReleasedModifiers(tap->currentModifierFlags());
    }

    const bool active = trusted && engine.isTapEnabled();
    if (active != m_hotkeysActive || !m_accessLogged) {
        m_accessLogged = true;
        betakit::BetaLog::event("hotkeys", {{"active", active}, {"accessibility", m_trusted}});
    }
    setHotkeysActive(active);
}

void TilewickStore::refreshConflicts(bool alert) {
    const QString own = m_platform.bundle().identifier();
    const auto& known = knownConflictingApps();

    QList<ConflictingApp> found;
    for (const auto& app : m_platform.service<platform::Workspace>().runningApplications()) {
        if (!app.bundleIdentifier || app.bundleIdentifier->isEmpty() || *app.bundleIdentifier == own)
            continue;
        const auto name = known.constFind(*app.bundleIdentifier);
        if (name == known.cend())
            continue;
        // Several processes of one utility make one record, with the first one's process.
        const bool seen = std::any_of(found.cbegin(), found.cend(),
                                      [&](const ConflictingApp& c) { return c.id == *app.bundleIdentifier; });
        if (!seen)
            found.append({*app.bundleIdentifier, name.value(), app.pid});
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const ConflictingApp& a, const ConflictingApp& b) { return a.name < b.name; });
    setConflicts(found);

    const qint64 count = m_conflicts.size();
    if (count != m_lastConflictCount) {
        m_lastConflictCount = count;
        betakit::BetaLog::event("conflicts", {{"count", count}});
    }

    if (!alert)
        return;
    QPointer<TilewickStore> self(this);
    for (const auto& app : std::as_const(m_conflicts)) {
        if (m_alerted.contains(app.id))
            continue;
        m_alerted.insert(app.id);
        m_platform.runtime().async([self, app] {
            if (self)
                self->showConflictAlert(app);
        });
    }
}

void TilewickStore::showConflictAlert(const ConflictingApp& app) {
    // A modal alert runs a loop of its own in which queued work goes on running: an alert that
    // comes up meanwhile waits for this one to end.
    if (m_conflictAlertShowing) {
        m_waitingConflictAlerts.append(app);
        return;
    }
    if (m_conflicts.contains(app)) {
        m_hooks.shell->activateIgnoringOtherApps();
        platform::ModalAlert alert;
        alert.style = platform::ModalAlert::Style::Warning;
        alert.message = app.name + QStringLiteral(" is running too");
        alert.informativeText =
            app.name +
            QStringLiteral(" also snaps windows with hotkeys, so the two apps can clash. Quit one of "
                           "them, and turn off its login item so it doesn't start again next time "
                           "you log in.");
        alert.buttons = {QStringLiteral("Quit ") + app.name, QStringLiteral("Quit Tilewick"),
                         QStringLiteral("Keep Both")};

        QPointer<TilewickStore> self(this);
        m_conflictAlertShowing = true;
        const int response = m_platform.service<platform::Alerts>().runModal(alert);
        if (!self)
            return;
        m_conflictAlertShowing = false;

        if (response == platform::kAlertFirstButton) {
            quitConflictingApp(app);
        } else if (response == platform::kAlertFirstButton + 1) {
            quitTilewick();
            return;
        }
    }
    if (!m_waitingConflictAlerts.isEmpty()) {
        const ConflictingApp next = m_waitingConflictAlerts.takeFirst();
        QPointer<TilewickStore> self(this);
        m_platform.runtime().async([self, next] {
            if (self)
                self->showConflictAlert(next);
        });
    }
}

void TilewickStore::quitConflictingApp(const ConflictingApp& app) {
    // Nothing is asked of a process that is gone.
    m_platform.service<platform::Workspace>().terminate(app.pid);
    showNote(QStringLiteral("Quit ") + app.name +
             QStringLiteral(". Turn off its login item in Login Items so it stays off."));
    m_platform.service<platform::LoginItems>().openSettings();
    QPointer<TilewickStore> self(this);
    m_platform.runtime().after(kRescanAfterQuitSeconds, [self] {
        if (self)
            self->refreshConflicts(false);
    });
}

} // namespace tilewick
