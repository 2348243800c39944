#include "TilewickStore.h"

#include "AppSnapStorage.h"
#include "SettingsKeys.h"

#include "betakit/BetaLog.h"
#include "platform/Accessibility.h"
#include "platform/LoginItems.h"
#include "platform/Platform.h"
#include "platform/Screens.h"
#include "platform/Workspace.h"
#include "tilewick/engine/WindowMover.h"

#include <QtDebug>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tilewick {

namespace {

// The main window's standard size, in points.
constexpr double kMainWindowWidth = 956;
constexpr double kMainWindowHeight = 891;

// The saved Default App Snaps live in the platform's defaults unless the caller keeps them. The
// engines are the caller's to make: a store without one is a programming error.
StoreHooks withStorage(StoreHooks hooks, const platform::Platform& platform) {
    if (!hooks.engine || !hooks.mover || !hooks.multiWindow) {
        std::fputs("Tilewick: a store needs its hotkey engine, window mover and multi-window filler\n",
                   stderr);
        std::abort();
    }
    if (!hooks.appSnaps)
        hooks.appSnaps = std::make_shared<DefaultsAppSnapStorage>(platform.defaults());
    return hooks;
}

// Fewer than two hotkey modifiers would turn plain keys into global hotkeys.
bool enoughHotkeyModifiers(quint64 modifiers) {
    return std::popcount(modifiers & kHotkeyModifierMask) >= 2;
}

} // namespace

TilewickStore::TilewickStore(const platform::Platform& platform, StoreHooks hooks, QObject* parent)
    : QObject(parent), m_platform(platform), m_hooks(withStorage(std::move(hooks), platform).completed()) {
    // The engine hands its hotkeys and modifier changes here; the store leaves it when destroyed.
    m_hooks.engine->attach(*this);
    initialise();
    // The mover owns the history; the store mirrors whether redo is possible, for the views.
    m_canRedo = m_hooks.mover->canRedo();
    connect(m_hooks.mover.get(), &WindowMover::canRedoChanged, this, &TilewickStore::setCanRedo);
    // Windows the mover writes, from multi-window fills on their queue too, show through the
    // floating keyboard.
    m_hooks.mover->setOverlayHoles(m_hooks.overlay);
    // Re-placements after a multi-window fill give way to a hotkey pressed since.
    m_hooks.multiWindow->attach([self = QPointer<TilewickStore>(this)] {
        return self ? self->m_lastSnapAt : -std::numeric_limits<double>::infinity();
    });
    // The floating keyboard draws this store and tells it when it shows or hides.
    m_hooks.overlay->attach(*this);
    connect(&m_platform.defaults(), &platform::Defaults::changedExternally, this,
            &TilewickStore::takeExternalSettings);
}

TilewickStore::~TilewickStore() {
    if (m_timer)
        m_timer->cancel();
    for (const auto& task : {m_noteTask, m_flashTask, m_overlayPending}) {
        if (task)
            task->cancel();
    }
}

void TilewickStore::initialise() {
    auto& defaults = m_platform.defaults();

    // Fields, in declaration order; the rest keep their initial values.
    const auto lastTab = defaults.stringValue(keys::lastTab);
    m_tab = lastTab ? snapTabFromRaw(*lastTab).value_or(SnapTab::global) : SnapTab::global;
    auto& accessibility = m_platform.service<platform::Accessibility>();
    m_trusted = accessibility.isProcessTrusted();
    m_launchAtLogin =
        m_platform.service<platform::LoginItems>().status() == platform::LoginItems::Status::Enabled;
    m_modifiers = readModifiers();
    m_keyboardOverlay = defaults.boolValue(keys::keyboardOverlay).value_or(true);
    m_showInMenuBar = defaults.boolValue(keys::showInMenuBar).value_or(true);
    m_showInDock = defaults.boolValue(keys::showInDock).value_or(true);
    m_appSnaps = m_hooks.appSnaps->load();
    m_displayCount = m_platform.service<platform::Screens>().screens().size();

    // The bindings, and the engine's first table.
    loadBindings();
    m_hooks.engine->update(effectiveBindings());

    // Without permission the desktop asks the user at every launch.
    if (!m_trusted)
        accessibility.requestTrust();

    // The status now and every 1.5 s from here on.
    refreshStatus();
    QPointer<TilewickStore> self(this);
    m_timer = m_platform.runtime().every(1.5, 0.5, [self] {
        if (self)
            self->refreshStatus();
    });

    // Every launch and quit of an application looks for conflicting utilities again.
    auto& workspace = m_platform.service<platform::Workspace>();
    const auto rescan = [this] { refreshConflicts(true); };
    connect(&workspace, &platform::Workspace::applicationLaunched, this, rescan);
    connect(&workspace, &platform::Workspace::applicationTerminated, this, rescan);

    // The first conflict scan publishes without alerts.
    refreshConflicts(false);
}

quint64 TilewickStore::readModifiers() const {
    const auto& defaults = m_platform.defaults();
    auto stored = defaults.uint64Value(keys::modifiers);
    if (!stored) {
        if (const auto signedValue = defaults.int64Value(keys::modifiers))
            stored = quint64(*signedValue);
    }
    if (!stored)
        return kDefaultHotkeyModifiers;
    // The stored value stays as the user left it.
    if (!enoughHotkeyModifiers(*stored)) {
        qWarning(
            "Tilewick: stored modifiers 0x%llx hold fewer than two hotkey modifiers; using Option+Command",
            static_cast<unsigned long long>(*stored));
        betakit::BetaLog::event("modifiers.invalid", {{"stored", *stored}});
        return kDefaultHotkeyModifiers;
    }
    return *stored;
}

// --- Observed fields with side effects -----------------------------------------------------

void TilewickStore::setTab(SnapTab tab) {
    assign(m_tab, tab, &TilewickStore::tabChanged);
    m_platform.defaults().set(keys::lastTab, rawValue(tab));
}

void TilewickStore::setModifiers(quint64 modifiers) {
    if (!enoughHotkeyModifiers(modifiers)) {
        qWarning("Tilewick: modifiers 0x%llx hold fewer than two hotkey modifiers; refused",
                 static_cast<unsigned long long>(modifiers));
        return;
    }
    assign(m_modifiers, modifiers, &TilewickStore::modifiersChanged);
    m_platform.defaults().set(keys::modifiers, modifiers);
    m_hooks.engine->update(effectiveBindings());
}

void TilewickStore::setKeyboardOverlay(bool on) {
    assign(m_keyboardOverlay, on, &TilewickStore::keyboardOverlayChanged);
    m_platform.defaults().set(keys::keyboardOverlay, on);
    if (!on)
        hideOverlay();
}

void TilewickStore::setShowInMenuBar(bool on) {
    assign(m_showInMenuBar, on, &TilewickStore::showInMenuBarChanged);
    m_platform.defaults().set(keys::showInMenuBar, on);
    if (!on && !m_showInDock)
        setShowInDock(true);
}

void TilewickStore::setShowInDock(bool on) {
    assign(m_showInDock, on, &TilewickStore::showInDockChanged);
    m_platform.defaults().set(keys::showInDock, on);
    if (!on && !m_showInMenuBar)
        setShowInMenuBar(true);
    m_hooks.shell->setActivationPolicy(m_showInDock ? platform::ActivationPolicy::Regular
                                                    : platform::ActivationPolicy::Accessory);
}

void TilewickStore::takeExternalSettings(const QStringList& changedKeys) {
    const auto& defaults = m_platform.defaults();
    const auto changed = [&](const char* key) { return changedKeys.contains(QLatin1String(key)); };
    // Written back only where a rule of the setter changes the value; what the user wrote
    // otherwise stays as written, also where it cannot be read.
    if (changed(keys::lastTab)) {
        const auto raw = defaults.stringValue(keys::lastTab);
        assign(m_tab, raw ? snapTabFromRaw(*raw).value_or(SnapTab::global) : SnapTab::global,
               &TilewickStore::tabChanged);
    }
    if (changed(keys::keyboardOverlay))
        setKeyboardOverlay(defaults.boolValue(keys::keyboardOverlay).value_or(true));
    if (changed(keys::showInMenuBar))
        setShowInMenuBar(defaults.boolValue(keys::showInMenuBar).value_or(true));
    if (changed(keys::showInDock))
        setShowInDock(defaults.boolValue(keys::showInDock).value_or(true));
    if (changed(keys::appSnaps))
        assign(m_appSnaps, m_hooks.appSnaps->load(), &TilewickStore::appSnapsChanged);
    bool engineChanged = false;
    if (changed(keys::modifiers))
        engineChanged |= assign(m_modifiers, readModifiers(), &TilewickStore::modifiersChanged);
    if (changed(keys::bindings)) {
        const auto stored = defaults.dataValue(keys::bindings);
        if (const auto decoded = stored ? decodeBindings(*stored) : std::nullopt)
            engineChanged |= assign(m_bindings, *decoded, &TilewickStore::bindingsChanged);
        else
            qWarning("Tilewick: the edited hotkeys cannot be read; the current ones stay in use");
    }
    if (engineChanged)
        m_hooks.engine->update(effectiveBindings());
}

void TilewickStore::setAppSnaps(const QList<AppSnap>& snaps) {
    assign(m_appSnaps, snaps, &TilewickStore::appSnapsChanged);
    m_hooks.appSnaps->save(m_appSnaps);
}

std::optional<AppSnap> TilewickStore::currentAppSnap() const {
    if (!m_appSnapApp)
        return std::nullopt;
    for (const AppSnap& snap : m_appSnaps) {
        if (snap.bundleID == m_appSnapApp->id)
            return snap;
    }
    return std::nullopt;
}

// --- Observed fields without side effects --------------------------------------------------

void TilewickStore::setBindings(const Bindings& bindings) {
    assign(m_bindings, bindings, &TilewickStore::bindingsChanged);
}
void TilewickStore::setRecording(std::optional<SnapAction> action) {
    assign(m_recording, action, &TilewickStore::recordingChanged);
}
void TilewickStore::setTrusted(bool trusted) {
    assign(m_trusted, trusted, &TilewickStore::trustedChanged);
}
void TilewickStore::setHotkeysActive(bool active) {
    assign(m_hotkeysActive, active, &TilewickStore::hotkeysActiveChanged);
}
void TilewickStore::setConflicts(const QList<ConflictingApp>& conflicts) {
    assign(m_conflicts, conflicts, &TilewickStore::conflictsChanged);
}
void TilewickStore::setNote(const std::optional<QString>& note) {
    assign(m_note, note, &TilewickStore::noteChanged);
}
void TilewickStore::setEditingModifiers(bool editing) {
    assign(m_editingModifiers, editing, &TilewickStore::editingModifiersChanged);
}
void TilewickStore::setModifiersTyped(bool typed) {
    assign(m_modifiersTyped, typed, &TilewickStore::modifiersTypedChanged);
}
void TilewickStore::setHoveredAction(std::optional<SnapAction> action) {
    assign(m_hoveredAction, action, &TilewickStore::hoveredActionChanged);
}
void TilewickStore::setHoveredKeyAction(std::optional<SnapAction> action) {
    assign(m_hoveredKeyAction, action, &TilewickStore::hoveredKeyActionChanged);
}
void TilewickStore::setHoveredModifierKey(bool hovered) {
    assign(m_hoveredModifierKey, hovered, &TilewickStore::hoveredModifierKeyChanged);
}
void TilewickStore::setHoveredGlobeKey(bool hovered) {
    assign(m_hoveredGlobeKey, hovered, &TilewickStore::hoveredGlobeKeyChanged);
}
void TilewickStore::setMultiWindow(bool on) {
    assign(m_multiWindow, on, &TilewickStore::multiWindowChanged);
}
void TilewickStore::setMultiWindowUnsupported(const std::optional<QString>& name) {
    assign(m_multiWindowUnsupported, name, &TilewickStore::multiWindowUnsupportedChanged);
}
void TilewickStore::setCanRedo(bool canRedo) {
    assign(m_canRedo, canRedo, &TilewickStore::canRedoChanged);
}
void TilewickStore::setWindowOpen(bool open) {
    assign(m_windowOpen, open, &TilewickStore::windowOpenChanged);
}
void TilewickStore::setAppSnapApp(const std::optional<InstalledApp>& app) {
    assign(m_appSnapApp, app, &TilewickStore::appSnapAppChanged);
}
void TilewickStore::setAppSnapDisplayID(const std::optional<QString>& displayID) {
    assign(m_appSnapDisplayID, displayID, &TilewickStore::appSnapDisplayIDChanged);
}
void TilewickStore::setAppSnapCanMulti(bool canMulti) {
    assign(m_appSnapCanMulti, canMulti, &TilewickStore::appSnapCanMultiChanged);
}
void TilewickStore::setInstalledApps(const QList<InstalledApp>& apps) {
    assign(m_installedApps, apps, &TilewickStore::installedAppsChanged);
}
void TilewickStore::setAppPickerOpen(bool open) {
    assign(m_appPickerOpen, open, &TilewickStore::appPickerOpenChanged);
}
void TilewickStore::setAppPickerQuery(const QString& query) {
    assign(m_appPickerQuery, query, &TilewickStore::appPickerQueryChanged);
}
void TilewickStore::setAppPickerHighlight(const std::optional<QString>& bundleID) {
    assign(m_appPickerHighlight, bundleID, &TilewickStore::appPickerHighlightChanged);
}
void TilewickStore::setDisplayCount(qint64 count) {
    assign(m_displayCount, count, &TilewickStore::displayCountChanged);
}
void TilewickStore::setAnimating(bool animating) {
    assign(m_animating, animating, &TilewickStore::animatingChanged);
}
void TilewickStore::setFlash(std::optional<SnapAction> action) {
    assign(m_flash, action, &TilewickStore::flashChanged);
}
void TilewickStore::setPressedKeys(const QHash<quint16, double>& keys) {
    assign(m_pressedKeys, keys, &TilewickStore::pressedKeysChanged);
}

// --- Window services -----------------------------------------------------------------------

std::optional<QRectF> TilewickStore::restoredMainWindowFrame(const MainWindowState& window) {
    if (window.fullScreen || !window.screenVisibleFrame)
        return std::nullopt;
    const QRectF visible = *window.screenVisibleFrame;
    // The standard size is the client area's; the frame around it stays inside the screen.
    const QMarginsF& decorations = window.decorations;
    const double w = std::min(visible.width(), kMainWindowWidth + decorations.left() + decorations.right());
    const double h = std::min(visible.height(), kMainWindowHeight + decorations.top() + decorations.bottom());
    if (std::abs(window.frame.width() - w) <= 1 && std::abs(window.frame.height() - h) <= 1)
        return std::nullopt;
    // Centred where it was, top edge kept (y grows downwards here), both pulled into the screen.
    double x = window.frame.center().x() - w / 2;
    x = std::max(x, visible.left());
    x = std::min(x, visible.right() - w);
    double y = window.frame.top();
    y = std::min(y, visible.bottom() - h);
    y = std::max(y, visible.top());
    return QRectF(std::round(x), std::round(y), std::round(w), std::round(h));
}

void TilewickStore::restoreMainWindowSize(bool animate) {
    const auto window = m_hooks.shell->visibleMainWindow();
    if (!window)
        return;
    if (const auto frame = restoredMainWindowFrame(*window))
        m_hooks.shell->setMainWindowFrame(*frame, animate);
}

void TilewickStore::requestAccessibility() {
    auto& accessibility = m_platform.service<platform::Accessibility>();
    accessibility.requestTrust();
    // `trusted` follows at the next status tick. Where no page grants it (X11: access comes
    // with the window manager), say what it takes instead.
    if (!accessibility.openTrustSettings())
        showNote(kTrustNote);
}

} // namespace tilewick
