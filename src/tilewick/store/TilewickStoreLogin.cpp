// The store's small services for the shell: the login item, reopening the main window and the
// transient note.

#include "TilewickStore.h"

#include "SettingsKeys.h"

#include "betakit/BetaLog.h"
#include "platform/LoginItems.h"
#include "platform/Platform.h"

namespace tilewick {

namespace {

// How long a note stays after the last call.
constexpr double kNoteSeconds = 5.0;

bool isEnabled(const platform::LoginItems& items) {
    return items.status() == platform::LoginItems::Status::Enabled;
}

} // namespace

void TilewickStore::applyPendingStartAtLogin() {
    auto& defaults = m_platform.defaults();
    if (!defaults.boolValue(keys::startAtLoginPending).value_or(false))
        return;
    // Only a copy that has been installed registers itself; a launch from a download folder
    // leaves the request for a later launch.
    const auto path = m_platform.bundle().bundlePath();
    const auto homeApplications = m_platform.paths().home() + QStringLiteral("/Applications/");
    if (!path.startsWith(QStringLiteral("/Applications/")) && !path.startsWith(homeApplications))
        return;
    defaults.remove(keys::startAtLoginPending);

    auto& items = m_platform.service<platform::LoginItems>();
    if (!isEnabled(items))
        items.registerApp(); // a failure leaves launchAtLogin false, without a note
    assign(m_launchAtLogin, isEnabled(items), &TilewickStore::launchAtLoginChanged);
    betakit::BetaLog::event("login.default", {{"on", m_launchAtLogin}});
}

void TilewickStore::refreshLaunchAtLogin() {
    assign(m_launchAtLogin, isEnabled(m_platform.service<platform::LoginItems>()),
           &TilewickStore::launchAtLoginChanged);
}

void TilewickStore::setLaunchAtLogin(bool on) {
    auto& items = m_platform.service<platform::LoginItems>();
    const auto change = on ? items.registerApp() : items.unregisterApp();
    if (!change.ok)
        showNote(QStringLiteral("Couldn't change Start at Login: ") + change.errorDescription);
    if (items.status() == platform::LoginItems::Status::RequiresApproval) {
        showNote(QStringLiteral("Turn Tilewick on in Login Items to finish."));
        items.openSettings();
    }
    // The switch shows the real state, not the request.
    assign(m_launchAtLogin, isEnabled(items), &TilewickStore::launchAtLoginChanged);
}

void TilewickStore::openLoginItems() {
    m_platform.service<platform::LoginItems>().openSettings();
}

void TilewickStore::quitTilewick() {
    if (m_launchAtLogin) {
        auto& items = m_platform.service<platform::LoginItems>();
        if (!items.unregisterApp().ok)
            betakit::BetaLog::event("login.off_failed");
        assign(m_launchAtLogin, isEnabled(items), &TilewickStore::launchAtLoginChanged);
    }
    m_hooks.shell->terminate();
}

void TilewickStore::showMainWindow() {
    setWindowOpen(true);
    auto& shell = *m_hooks.shell;
    if (shell.focusVisibleMainWindow()) {
        shell.activateIgnoringOtherApps();
        return;
    }
    // Closed or minimised: the scene opens it afresh.
    if (m_openMainWindow)
        m_openMainWindow();
    shell.activateIgnoringOtherApps();
}

void TilewickStore::mainWindowShown() {
    setWindowOpen(true);
    QPointer<TilewickStore> self(this);
    m_platform.runtime().async([self] {
        if (self)
            self->restoreMainWindowSize(false);
    });
}

void TilewickStore::showNote(const QString& text) {
    setNote(text);
    if (m_noteTask)
        m_noteTask->cancel();
    QPointer<TilewickStore> self(this);
    m_noteTask = m_platform.runtime().after(kNoteSeconds, [self] {
        if (self)
            self->setNote(std::nullopt);
    });
}

} // namespace tilewick
