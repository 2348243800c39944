#pragma once

#include "SnapAction.h"

#include "platform/KeyCodes.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace tilewick {

// Modifier flag bits in the event-flag encoding that settings store: the platform's own, which
// its key events carry.
using platform::kCommandFlag;
using platform::kControlFlag;
using platform::kFunctionFlag;
using platform::kOptionFlag;
using platform::kShiftFlag;
// The bits a hotkey's modifier chord is made of.
inline constexpr quint64 kHotkeyModifierMask = platform::kChordFlags;
// Option+Command, the modifiers of every factory binding.
inline constexpr quint64 kDefaultHotkeyModifiers = kOptionFlag | kCommandFlag;

// One key binding. Key codes are virtual key codes (0 for A, 36 for Return, 123 for Left Arrow).
// Recorded keys carry no modifiers of their own: every hotkey shares the one chord in the store.
struct Hotkey {
    quint16 keyCode = 0;
    quint64 modifiers = 0;
    // The text printed on the key ("C", "↩", "F5", "Key 110").
    QString label;

    // One drawn piece of a hotkey: a symbol image by name, or plain text.
    struct Part {
        enum class Kind : quint8 { symbol, text };
        Kind kind = Kind::text;
        QString value;

        static Part symbol(const QString& name) { return {Kind::symbol, name}; }
        static Part text(const QString& text) { return {Kind::text, text}; }
        friend bool operator==(const Part&, const Part&) = default;
    };

    // The modifiers in the order Control, Option, Shift, Command, then the key.
    QList<Part> parts() const;
    // The parts on one line: symbols as glyphs, text keys in curly quotes (⌥⌘“C”, ⌥⌘◀).
    QString plainText() const;

    // {"keyCode": n, "modifiers": n, "label": s}
    QJsonObject toJson() const;
    // None when a key is missing, of the wrong type or out of range; extra keys are ignored.
    static std::optional<Hotkey> fromJson(const QJsonObject& object);

    // Glyphs of the set modifier bits, Control, Option, Shift, Command ("⌥⌘"); empty for none.
    static QString modifierGlyphs(quint64 mask);
    // The name of one modifier bit ("option"), as the activity log writes it; empty for any other
    // value.
    static const char* modifierName(quint64 bit);
    // Key code → symbol name, for keys drawn as a symbol rather than their label.
    static const QHash<quint16, QString>& keySymbols();
    // Key code → label of the function keys F1 to F15.
    static const QHash<quint16, QString>& functionKeyLabels();
    // Symbol name → glyph for the one-line form; a name without a glyph stands for itself.
    static QString glyph(const QString& symbolName);

    friend bool operator==(const Hotkey&, const Hotkey&) = default;
};

size_t qHash(const Hotkey& hotkey, size_t seed = 0) noexcept;

// The key under which the hotkey engine looks a chord up: the modifiers under the hotkey mask,
// with the key code above them.
constexpr quint64 chordKey(quint16 keyCode, quint64 modifiers) {
    return (modifiers & kHotkeyModifierMask) | (quint64(keyCode) << 32);
}
inline quint64 chordKey(const Hotkey& hotkey) {
    return chordKey(hotkey.keyCode, hotkey.modifiers);
}

// The factory binding of `action` (Option+Command with a key of its own).
Hotkey defaultHotkey(SnapAction action);

} // namespace tilewick
