// Default App Snaps: choosing an application, its key, display and multi-window choice, saving
// and removing snaps, the installed applications and the application picker.

#include "TilewickStore.h"

#include "InstalledApps.h"

#include "betakit/BetaLog.h"
#include "platform/InstalledApplications.h"
#include "platform/KeyCodes.h"
#include "platform/Platform.h"
#include "platform/Screens.h"
#include "platform/Workspace.h"
#include "tilewick/engine/DisplayIdentity.h"
#include "tilewick/model/KeyboardMap.h"

#include <algorithm>

namespace tilewick {

namespace {

// Spaces and tabs around the query do not count; line breaks are no part of a typed query.
QString trimmedQuery(const QString& query) {
    qsizetype begin = 0;
    qsizetype end = query.size();
    const auto blank = [](QChar c) { return c.category() == QChar::Separator_Space || c == u'\t'; };
    while (begin < end && blank(query[begin]))
        ++begin;
    while (end > begin && blank(query[end - 1]))
        --end;
    return query.mid(begin, end - begin);
}

} // namespace

// --- Choosing and editing ------------------------------------------------------------------

void TilewickStore::chooseAppSnapApp(const InstalledApp& app) {
    setAppSnapApp(app);
    if (m_appPickerOpen)
        closeAppPicker();
    const auto saved = currentAppSnap();
    assign(m_appSnapMulti, saved && saved->multiWindow, &TilewickStore::appSnapMultiChanged);

    if (saved && saved->displayID) {
        // Kept even while that display is away: it may come back before the key is chosen.
        setAppSnapDisplayID(saved->displayID);
    } else {
        const auto screens = m_platform.service<platform::Screens>().screens();
        setAppSnapDisplayID(screens.size() < 2 ? std::nullopt : displayID(screens.first()));
    }

    setAppSnapCanMulti(supportsMultipleWindows(m_platform.find<platform::InstalledApplications>(), app));
    // A running instance tells better than what it declares: whether its menus open a window.
    const auto running = m_platform.service<platform::Workspace>().runningApplications(app.id);
    if (running.isEmpty())
        return;
    QPointer<TilewickStore> self(this);
    m_hooks.multiWindow->checkSupport(running.first().pid, [self, id = app.id](bool supported) {
        if (self && self->m_appSnapApp && self->m_appSnapApp->id == id)
            self->setAppSnapCanMulti(supported);
    });
}

void TilewickStore::editAppSnap(const AppSnap& snap) {
    const auto listed = std::find_if(m_installedApps.cbegin(), m_installedApps.cend(),
                                     [&](const InstalledApp& app) { return app.id == snap.bundleID; });
    if (listed != m_installedApps.cend())
        return chooseAppSnapApp(*listed);
    auto known = lookUpApplication(snap.bundleID);
    if (!known)
        return;
    // The snap keeps the name it was saved under.
    known->name = snap.name;
    chooseAppSnapApp(*known);
}

std::optional<InstalledApp> TilewickStore::lookUpApplication(const QString& bundleID) const {
    auto* installed = m_platform.find<platform::InstalledApplications>();
    const auto known = installed ? installed->application(bundleID) : std::nullopt;
    if (!known)
        return std::nullopt;
    return installedAppRecord(*known);
}

QList<platform::ScreenInfo> TilewickStore::screens() const {
    return m_platform.service<platform::Screens>().screens();
}

// --- Saving ----------------------------------------------------------------------------------

void TilewickStore::assignAppSnapKey(SnapAction action) {
    if (!m_appSnapApp) {
        showNote(QStringLiteral("Choose an app first, then the key for where it opens."));
        return;
    }
    const SnapKind k = kind(action);
    const bool placement = k.type() == SnapKind::Type::centre || k.type() == SnapKind::Type::maximize;
    if (!k.isCells() && !(placement && !m_appSnapMulti))
        return;
    if (m_appSnapMulti)
        action = multiWindowAction(action);

    AppSnap snap = currentAppSnap().value_or(AppSnap{m_appSnapApp->id, m_appSnapApp->name});
    snap.action = action;
    snap.multiWindow = m_appSnapMulti;
    applyChosenDisplay(snap);
    upsertAppSnap(snap);
    betakit::BetaLog::event("appsnap.saved",
                            {{"layout", betakit::BetaValue::fromCase(action)}, {"multi", snap.multiWindow}});

    QString note =
        m_appSnapApp->name + QStringLiteral(" will now open ") + multiPhrase(action, snap.multiWindow);
    if (snap.displayName)
        note += QStringLiteral(" on ") + *snap.displayName;
    showNote(note + u'.');

    setAppSnapApp(std::nullopt);
    assign(m_appSnapMulti, false, &TilewickStore::appSnapMultiChanged);
    setAppSnapCanMulti(false);
    setAppSnapDisplayID(std::nullopt);
    if (m_appPickerOpen)
        closeAppPicker();
}

void TilewickStore::setAppSnapMulti(bool on) {
    assign(m_appSnapMulti, on, &TilewickStore::appSnapMultiChanged);
    const auto snap = currentAppSnap();
    if (!snap)
        return;
    if (!kind(snap->action).isCells()) {
        // A centred or maximised window cannot be several windows: a key has to be chosen anew.
        if (on) {
            removeAppSnap(snap->bundleID, false);
            showNote(QStringLiteral("Choose a key for ") + snap->name + QStringLiteral("'s windows."));
        }
        return;
    }
    AppSnap changed = *snap;
    changed.action = on ? multiWindowAction(snap->action) : snap->action;
    changed.multiWindow = on;
    upsertAppSnap(changed);
}

void TilewickStore::applyChosenDisplay(AppSnap& snap) const {
    snap.displayID.reset();
    snap.displayName.reset();
    if (m_displayCount < 2 || !m_appSnapDisplayID)
        return;
    const auto screen =
        screenForDisplayID(m_platform.service<platform::Screens>().screens(), *m_appSnapDisplayID);
    if (!screen)
        return;
    snap.displayID = displayID(*screen);
    snap.displayName = screen->name;
}

void TilewickStore::upsertAppSnap(const AppSnap& snap) {
    QList<AppSnap> snaps = m_appSnaps;
    const auto same = std::find_if(snaps.begin(), snaps.end(),
                                   [&](const AppSnap& s) { return s.bundleID == snap.bundleID; });
    if (same != snaps.end())
        *same = snap;
    else
        snaps.append(snap);
    setAppSnaps(snaps);
    if (m_appSnapsEngine)
        m_appSnapsEngine->syncObservers();
}

void TilewickStore::removeAppSnap(const QString& bundleID, bool withNote) {
    const auto found = std::find_if(m_appSnaps.cbegin(), m_appSnaps.cend(),
                                    [&](const AppSnap& s) { return s.bundleID == bundleID; });
    if (found == m_appSnaps.cend())
        return;
    const AppSnap removed = *found;
    QList<AppSnap> snaps = m_appSnaps;
    snaps.removeIf([&](const AppSnap& s) { return s.bundleID == bundleID; });
    setAppSnaps(snaps);
    if (m_appSnapsEngine)
        m_appSnapsEngine->syncObservers();
    betakit::BetaLog::event("appsnap.removed", {{"layout", betakit::BetaValue::fromCase(removed.action)}});
    if (withNote)
        showNote(removed.name + QStringLiteral(" will open wherever it likes again."));
}

// --- Installed applications and the picker --------------------------------------------------

void TilewickStore::scanInstalledApps() {
    if (!m_installedApps.isEmpty())
        return;
    auto installed = m_platform.shared<platform::InstalledApplications>();
    auto workspace = m_platform.shared<platform::Workspace>();
    auto runtime = m_platform.shared<platform::Runtime>();
    const QString ownID = m_platform.bundle().identifier();
    QPointer<TilewickStore> self(this);
    runtime->global([installed, workspace, runtime, ownID, self] {
        const QList<InstalledApp> apps = findInstalledApps(installed.get(), *workspace, ownID);
        runtime->async([self, apps] {
            if (self)
                self->setInstalledApps(apps);
        });
    });
}

void TilewickStore::openAppPicker() {
    scanInstalledApps();
    if (m_appPickerOpen)
        return;
    setAppPickerOpen(true);
    if (m_appSnapApp) {
        setAppPickerHighlight(m_appSnapApp->id);
    } else {
        const auto offered = filteredInstalledApps();
        setAppPickerHighlight(offered.isEmpty() ? std::nullopt : std::optional(offered.first().id));
    }
}

QList<InstalledApp> TilewickStore::filteredInstalledApps() const {
    const QString query = trimmedQuery(m_appPickerQuery);
    if (query.isEmpty())
        return m_installedApps;
    const QString lowerQuery = query.toLower();
    QList<InstalledApp> beginning;
    QList<InstalledApp> within;
    for (const InstalledApp& app : m_installedApps) {
        if (!app.name.contains(query, Qt::CaseInsensitive))
            continue;
        (app.name.toLower().startsWith(lowerQuery) ? beginning : within).append(app);
    }
    return beginning + within;
}

void TilewickStore::focusAppPickerField() {
    const auto field = m_appPickerField.lock();
    if (!field || !field->isInWindow() || field->hasKeyboardFocus())
        return;
    field->takeKeyboardFocus();
}

bool TilewickStore::handleAppPickerKey(quint16 keyCode) {
    if (!m_appPickerOpen)
        return false;
    if (keyCode == platform::kEscapeKeyCode) {
        // The lit row stays, for when the list opens again.
        closeAppPicker();
        return true;
    }
    const bool down = keyCode == KeyboardMap::kDownArrow;
    const bool step = down || keyCode == KeyboardMap::kUpArrow;
    const bool choose = keyCode == platform::kReturnKeyCode || keyCode == platform::kKeypadEnterKeyCode;
    if (!step && !choose)
        return false;
    const QList<InstalledApp> rows = filteredInstalledApps();
    if (rows.isEmpty())
        return true;
    qsizetype lit = -1;
    for (qsizetype i = 0; i < rows.size() && lit < 0; ++i)
        if (rows[i].id == m_appPickerHighlight)
            lit = i;
    if (choose) {
        chooseAppSnapApp(rows[std::max<qsizetype>(lit, 0)]);
        return true;
    }
    // No row lit: Up lights the first one, like Down.
    const qsizetype next = lit < 0 ? 0 : lit + (down ? 1 : -1);
    setAppPickerHighlight(rows[std::clamp<qsizetype>(next, 0, rows.size() - 1)].id);
    return true;
}

} // namespace tilewick
