// Key tracking and the floating keyboard.

#include "TilewickStore.h"

#include "betakit/BetaLog.h"
#include "platform/Platform.h"
#include "platform/Screens.h"
#include "platform/Workspace.h"
#include "tilewick/engine/WindowMover.h"

#include <QCoreApplication>

namespace tilewick {

namespace {

using platform::KeyEvent;

// How long exactly the hotkey modifiers must be held before the floating keyboard shows.
constexpr double kOverlayDelay = 0.12;

} // namespace

void TilewickStore::trackKey(const KeyEvent& event) {
    const quint16 key = event.keyCode;
    QHash<quint16, double> keys = m_pressedKeys;
    switch (event.type) {
    case KeyEvent::Type::FlagsChanged: {
        // While the modifier editor is open, it hears the chord first.
        if (m_editingModifiers)
            recordModifierChord(event.flags);
        const quint64 flag = platform::modifierKeyFlag(key);
        if (!flag)
            return;
        // By modifier, not by side: with both Command keys down, releasing one leaves the flag
        // set, so that key counts as down again until the other one is released too.
        if (event.flags & flag)
            keys.insert(key, m_platform.clock().uptime());
        else
            keys.remove(key);
        setPressedKeys(keys);
        pruneReleasedModifiers(event.flags);
        return;
    }
    case KeyEvent::Type::KeyUp:
        keys.remove(key);
        setPressedKeys(keys);
        return;
    case KeyEvent::Type::KeyDown:
        // An auto-repeat keeps the first press time.
        if (!keys.contains(key)) {
            keys.insert(key, m_platform.clock().uptime());
            setPressedKeys(keys);
        }
        return;
    default:
        return;
    }
}

void TilewickStore::pruneReleasedModifiers(quint64 flags) {
    QList<quint16> released;
    for (auto it = m_pressedKeys.constBegin(); it != m_pressedKeys.constEnd(); ++it) {
        const quint64 flag = platform::modifierKeyFlag(it.key());
        if (flag && !(flags & flag))
            released.append(it.key());
    }
    for (quint16 key : released) {
        QHash<quint16, double> keys = m_pressedKeys;
        keys.remove(key);
        setPressedKeys(keys);
    }
}

bool TilewickStore::modifiersHeld() const {
    quint64 held = 0;
    for (auto it = m_pressedKeys.constBegin(); it != m_pressedKeys.constEnd(); ++it)
        held |= platform::modifierKeyFlag(it.key());
    const quint64 wanted = m_modifiers & kHotkeyModifierMask;
    return (held & wanted) == wanted;
}

bool TilewickStore::hotkeyChordHeld() const {
    // Only the hotkey bits of the stored set count, as for the hotkeys themselves.
    return m_globalFlags == (m_modifiers & kHotkeyModifierMask);
}

bool TilewickStore::globeChordHeld() const {
    return modifiersHeld() && m_pressedKeys.contains(platform::kFnKeyCode);
}

void TilewickStore::flagsChanged(const KeyEvent& event) {
    if (!m_keyboardOverlay)
        return;
    trackKey(event);
    m_globalFlags = event.flags & kHotkeyModifierMask;
    m_globeHeld = (event.flags & kFunctionFlag) != 0;
    updateMultiWindowState();

    // Exactly the hotkey modifiers: Caps Lock and Globe do not count, a fifth modifier does.
    if (!m_keyboardOverlay || !hotkeyChordHeld()) {
        // Modifiers this very event reports as down stay down, so a chord built one key at a
        // time is seen whole.
        QHash<quint16, double> held;
        for (auto it = m_pressedKeys.constBegin(); it != m_pressedKeys.constEnd(); ++it) {
            if (event.flags & platform::modifierKeyFlag(it.key()))
                held.insert(it.key(), it.value());
        }
        hideOverlay(held);
        return;
    }
    if (m_overlayPending || m_hooks.overlay->isVisible())
        return;
    QPointer<TilewickStore> self(this);
    m_overlayPending = m_platform.runtime().after(kOverlayDelay, [self] {
        if (self)
            self->showOverlayIfStillHeld();
    });
}

void TilewickStore::showOverlayIfStillHeld() {
    m_overlayPending.reset();
    if (!hotkeyChordHeld() || m_hooks.shell->isActive())
        return;

    // The screen of the focused window, else the main screen.
    std::optional<platform::ScreenInfo> screen;
    WindowMover& mover = *m_hooks.mover;
    if (const auto target = mover.focusedWindow()) {
        if (const auto frame = mover.readFrame(target->window))
            screen = mover.screen(*frame);
    }
    if (!screen) {
        const auto screens = m_platform.service<platform::Screens>().screens();
        if (screens.isEmpty())
            return; // nothing to show on, and nothing shown to log
        screen = screens.first();
    }
    m_hooks.overlay->show(screen);
    betakit::BetaLog::event("overlay.shown", {});
}

void TilewickStore::hideOverlay() {
    hideOverlay({});
}

void TilewickStore::hideOverlay(const QHash<quint16, double>& stillHeld) {
    setMultiWindow(false);
    setMultiWindowUnsupported(std::nullopt);
    if (m_overlayPending)
        m_overlayPending->cancel();
    m_overlayPending.reset();
    m_hooks.overlay->hide();
    // Keys held in other applications are forgotten; while this program is active its own
    // key monitor keeps them right.
    if (!m_hooks.shell->isActive() && m_pressedKeys != stillHeld)
        setPressedKeys(stillHeld);
}

void TilewickStore::updateMultiWindowState() {
    if (!hotkeyChordHeld() || !m_globeHeld) {
        setMultiWindow(false);
        setMultiWindowUnsupported(std::nullopt);
        return;
    }
    const auto front = m_platform.service<platform::Workspace>().frontmostApplication();
    const std::optional<QString> name = front ? std::optional(front->localizedName) : std::nullopt;
    if (front && front->pid != QCoreApplication::applicationPid()) {
        QPointer<TilewickStore> self(this);
        m_hooks.multiWindow->checkSupport(front->pid, [self, name](bool supported) {
            if (self)
                self->applyMultiWindowCheck(supported, name);
        });
    } else {
        applyMultiWindowCheck(false, name);
    }
}

void TilewickStore::applyMultiWindowCheck(bool supported, const std::optional<QString>& name) {
    // The answer may come late: the chord is read again now.
    const bool held = hotkeyChordHeld() && m_globeHeld && !m_hooks.shell->isActive();
    setMultiWindow(supported && held);
    setMultiWindowUnsupported(held && !supported ? name : std::nullopt);
}

void TilewickStore::refreshAnimating() {
    bool visible = false;
    if (m_hooks.shell->isActive()) {
        const auto window = m_hooks.shell->visibleMainWindow();
        visible = window && !window->occluded;
    }
    setAnimating(visible || m_hooks.overlay->isVisible());
}

void TilewickStore::applicationBecameActive() {
    hideOverlay();
    refreshAnimating();
    refreshLaunchAtLogin();
}

void TilewickStore::applicationResignedActive() {
    if (!m_pressedKeys.isEmpty())
        setPressedKeys({});
    finishEditingModifiers();
}

} // namespace tilewick
