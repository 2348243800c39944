#pragma once

#include <QString>

#include <optional>

namespace tilewick {

// One key of the drawn keyboard, in key units (a letter key is 1 wide).
struct KeyDef {
    // Virtual key code; absent only for a spacer.
    std::optional<quint16> code;
    // Text printed on the key ("tab", "Q"); empty for the space bar.
    QString label;
    double width = 1.0;
    // Name of the symbol drawn on the key ("shift", "globe", "command" ...); absent on most keys.
    std::optional<QString> symbol;
    // The ISO two-row return key: it stands in row 1 and reaches down into row 2's spacer.
    bool isoReturn = false;
    // An empty gap of `width` in which no key is drawn.
    bool spacer = false;

    // A plain key: width 1, no symbol.
    static KeyDef key(quint16 code, const QString& label) { return KeyDef{code, label}; }

    // The key code as decimal text ("36"), or the label for a key without code ("return-space").
    // Left and right modifier keys therefore have distinct identities.
    QString id() const { return code ? QString::number(*code) : label; }

    friend bool operator==(const KeyDef&, const KeyDef&) = default;
};

} // namespace tilewick
