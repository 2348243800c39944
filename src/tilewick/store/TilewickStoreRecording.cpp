// Hotkey recording and modifier editing.

#include "TilewickStore.h"

#include "betakit/BetaLog.h"
#include "platform/Alerts.h"
#include "platform/Platform.h"

#include <algorithm>
#include <bit>

namespace tilewick {

namespace {

constexpr quint16 kEscapeKeyCode = 53;
constexpr quint16 kDeleteKeyCode = 51;
constexpr quint16 kForwardDeleteKeyCode = 117;

// What the key of a recorded hotkey shows: its function-key name, else what it types (upper
// case, without surrounding blanks and tabs), else "Key " and its code.
QString recordedLabel(const platform::KeyEvent& event) {
    if (auto f = Hotkey::functionKeyLabels().constFind(event.keyCode);
        f != Hotkey::functionKeyLabels().cend())
        return f.value();
    QString text = event.unmodifiedCharacters.toUpper();
    const auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    text = text.mid(first, last - first);
    return text.isEmpty() ? QStringLiteral("Key %1").arg(event.keyCode) : text;
}

} // namespace

void TilewickStore::beginRecording(SnapAction action) {
    endRecording();
    setRecording(action);

    QPointer<TilewickStore> self(this);
    auto& engine = *m_hooks.engine;
    engine.setRecorder([self](const platform::KeyEvent& event) {
        if (self)
            self->recordKey(event);
    });
    // Without a running tap, keys typed into this program's own windows are taken directly.
    if (!engine.hasTap() || !engine.isTapEnabled()) {
        if (auto* monitors = m_platform.find<platform::LocalKeyMonitors>()) {
            m_recorder = monitors->addKeyDownMonitor([self](const platform::KeyEvent& event) {
                if (self)
                    self->recordKey(event);
                return platform::EventVerdict::Swallow;
            });
        }
    }
}

void TilewickStore::recordKey(const platform::KeyEvent& event) {
    if (!m_recording)
        return;
    const SnapAction action = *m_recording;
    const quint16 key = event.keyCode;

    // Escape and Delete mean cancel and clear only on their own; with a modifier they are keys.
    if ((event.flags & kHotkeyModifierMask) == 0) {
        if (key == kEscapeKeyCode) {
            endRecording();
            return;
        }
        if (key == kDeleteKeyCode || key == kForwardDeleteKeyCode) {
            Bindings bindings = m_bindings;
            bindings.erase(action);
            setBindings(bindings);
            saveBindings();
            endRecording();
            betakit::BetaLog::event("hotkey.cleared", {{"layout", betakit::BetaValue::fromCase(action)}});
            showNote(QStringLiteral("Cleared the hotkey for ") + qualifiedTitle(action) + u'.');
            return;
        }
    }

    const QString label = recordedLabel(event);
    Bindings bindings = m_bindings;
    const auto holder = std::find_if(bindings.cbegin(), bindings.cend(), [&](const auto& entry) {
        return entry.first != action && entry.second.keyCode == key;
    });
    if (holder != bindings.cend()) {
        const SnapAction other = holder->first;
        stopRecording();
        platform::ModalAlert alert;
        alert.style = platform::ModalAlert::Style::Warning;
        alert.message = Hotkey{key, m_modifiers, label}.plainText() + QStringLiteral(" is already used by ") +
                        qualifiedTitle(other) + QStringLiteral(". Overwrite?");
        alert.informativeText = qualifiedTitle(other) + QStringLiteral(" will be left without a hotkey.");
        alert.buttons = {QStringLiteral("Yes, Overwrite"), QStringLiteral("Cancel")};
        QPointer<TilewickStore> self(this);
        const int response = m_platform.service<platform::Alerts>().runModal(alert);
        if (!self)
            return;
        if (response != platform::kAlertFirstButton) {
            setRecording(std::nullopt);
            return;
        }
        bindings = m_bindings;
        bindings.erase(other);
        setBindings(bindings);
        showNote(qualifiedTitle(other) + QStringLiteral(" no longer has a hotkey."));
    }

    bindings = m_bindings;
    bindings.insert_or_assign(action, Hotkey{key, 0, label});
    setBindings(bindings);
    saveBindings();
    betakit::BetaLog::event("hotkey.changed", {{"layout", betakit::BetaValue::fromCase(action)}});
    endRecording();
}

void TilewickStore::stopRecording() {
    // Dropping the token removes the local key monitor.
    m_recorder.reset();
    m_hooks.engine->clearRecorder();
}

void TilewickStore::endRecording() {
    stopRecording();
    setRecording(std::nullopt);
}

void TilewickStore::beginEditingModifiers() {
    endRecording();
    if (m_editingModifiers)
        return;
    setModifiersTyped(false);
    m_chord = 0;
    setEditingModifiers(true);
}

void TilewickStore::recordModifierChord(quint64 flags) {
    const quint64 held = flags & kHotkeyModifierMask;
    if (held == 0) {
        m_chord = 0;
        return;
    }
    m_chord |= held;
    const int count = std::popcount(m_chord);
    if (count == 4) {
        showNote(QStringLiteral("Tilewick modifiers can be 2 or 3 keys, not all 4."));
        return;
    }
    if (count < 2)
        return;
    if (m_chord != m_modifiers)
        setModifiers(m_chord);
    setModifiersTyped(true);
}

void TilewickStore::finishEditingModifiers() {
    if (!m_editingModifiers)
        return;
    setEditingModifiers(false);
    if (!m_modifiersTyped)
        return;
    betakit::BetaLog::event("modifiers.changed", {{"count", std::popcount(m_modifiers)}});
    showNote(QStringLiteral("Tilewick modifiers are now ") + Hotkey::modifierGlyphs(m_modifiers) + u'.');
}

} // namespace tilewick
