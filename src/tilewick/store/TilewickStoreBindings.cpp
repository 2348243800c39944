// The store's hotkey bindings: loading with migrations, saving, the effective table and the
// reset to the factory defaults.

#include "TilewickStore.h"

#include "SettingsKeys.h"

#include "betakit/BetaLog.h"
#include "platform/Alerts.h"
#include "platform/Platform.h"

#include <QtDebug>

namespace tilewick {

void TilewickStore::loadBindings() {
    auto& defaults = m_platform.defaults();
    const auto stored = defaults.value(keys::bindings);
    std::optional<Bindings> decoded;
    if (stored && std::holds_alternative<QByteArray>(*stored))
        decoded = decodeBindings(std::get<QByteArray>(*stored));

    if (decoded) {
        setBindings(*decoded);
        auto version = defaults.int64Value(keys::bindingsVersion);
        if (!version) {
            if (const auto unsignedVersion = defaults.uint64Value(keys::bindingsVersion))
                version = qint64(std::min<quint64>(*unsignedVersion, quint64(kBindingsVersion)));
        }
        Bindings migrated = m_bindings;
        migrateBindings(migrated, version.value_or(0));
        setBindings(migrated);
    } else {
        // The defaults replace what cannot be read, but the user's table is never lost
        // without a trace: it is kept as it was under a key of its own.
        if (stored) {
            qWarning("Tilewick: the stored hotkeys could not be read; they are kept under \"%s\" and "
                     "the defaults are used",
                     keys::unreadableBindings);
            defaults.set(keys::unreadableBindings, *stored);
        }
        setBindings(defaultBindings());
        defaults.set(keys::startAtLoginPending, true);
    }

    defaults.set(keys::bindingsVersion, kBindingsVersion);
    saveBindings();
}

void TilewickStore::saveBindings() {
    m_platform.defaults().set(keys::bindings, encodeBindings(m_bindings));
    m_hooks.engine->update(effectiveBindings());
}

Bindings TilewickStore::effectiveBindings() const {
    Bindings effective;
    for (const auto& [action, hotkey] : m_bindings)
        effective.emplace(action, Hotkey{hotkey.keyCode, m_modifiers, hotkey.label});
    return effective;
}

bool TilewickStore::isKeyCodeFree(quint16 keyCode) const {
    return tilewick::isKeyCodeFree(m_bindings, keyCode);
}

std::optional<Hotkey> TilewickStore::hotkey(SnapAction action) const {
    const auto it = m_bindings.find(action);
    if (it == m_bindings.end())
        return std::nullopt;
    return Hotkey{it->second.keyCode, m_modifiers, it->second.label};
}

void TilewickStore::resetAllHotkeys() {
    endRecording();

    const Bindings factory = defaultBindings();
    bool alreadyDefault = m_modifiers == kDefaultHotkeyModifiers;
    for (const auto action : allSnapActions()) {
        const auto bound = m_bindings.find(action);
        const auto original = factory.find(action);
        const bool bothAbsent = bound == m_bindings.end() && original == factory.end();
        const bool sameKey = bound != m_bindings.end() && original != factory.end() &&
                             bound->second.keyCode == original->second.keyCode;
        if (!bothAbsent && !sameKey) {
            alreadyDefault = false;
            break;
        }
    }
    if (alreadyDefault) {
        showNote(QStringLiteral("Your hotkeys are already the original defaults."));
        return;
    }

    const platform::ModalAlert alert{
        platform::ModalAlert::Style::Warning,
        QStringLiteral("Reset all hotkeys to the original defaults?"),
        QStringLiteral(
            "Any keys you've changed will be replaced, and the modifiers go back to ⌥⌘. This can't be "
            "undone."),
        {QStringLiteral("Reset Hotkeys"), QStringLiteral("Cancel")},
    };
    if (m_platform.service<platform::Alerts>().runModal(alert) != platform::kAlertFirstButton)
        return;

    setModifiers(kDefaultHotkeyModifiers);
    setBindings(factory);
    betakit::BetaLog::event("hotkeys.reset");
    saveBindings();
    showNote(QStringLiteral("All hotkeys are back to their defaults."));
}

} // namespace tilewick
