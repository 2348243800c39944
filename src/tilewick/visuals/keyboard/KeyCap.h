#pragma once

#include "KeyboardEnvironment.h"
#include "ReturnKeyShape.h"

#include "tilewick/model/Hotkey.h"
#include "tilewick/model/KeyDef.h"
#include "tilewick/model/SnapTab.h"
#include "tilewick/visuals/Symbols.h"
#include "tilewick/visuals/Theme.h"

#include <QColor>
#include <QPainterPath>
#include <QString>

#include <optional>

namespace tilewick {

class TilewickStore;

// The action drawn on a key and its hotkey, with the store's modifier set.
struct KeyBinding {
    SnapAction action;
    Hotkey hotkey;
    friend bool operator==(const KeyBinding&, const KeyBinding&) = default;
};

// One key of the drawn keyboard as a value: what it shows, how it reacts, and every text it
// carries, worked out from the store and the keyboard's environment without painting.
struct KeyCap {
    KeyDef key;
    std::optional<KeyBinding> binding;
    // The store's current tab.
    SnapTab current = SnapTab::global;
    // The binding's action was just performed.
    bool flashing = false;
    // The key's height in points; every proportion of the cap is a fraction of it.
    qreal u = 0;
    // A half-height arrow key.
    bool isShort = false;
    std::optional<ReturnKeyShape> returnShape;

    enum class Variant { guide, picking, normal };
    enum class OutlineStyle { tint, accentGradient, accent };
    enum class Content { mutedHotkey, glyphAndHotkey, globe, symbol, label };

    // Everything the face needs, resolved for one scheme.
    struct Look {
        // The scheme the colours below were resolved for; the face draws with it.
        Scheme scheme = Scheme::Light;
        Variant variant = Variant::normal;
        bool emphasised = false;
        bool cardHovered = false;
        bool held = false;
        bool editing = false;
        QColor fill;
        double faceOpacity = 1;
        OutlineStyle outlineStyle = OutlineStyle::tint;
        QColor tint;
        qreal outlineWidth = 1;
        Content content = Content::label;
        double glyphOpacity = 1;
        // What the glyph shows beyond its action: every part lit (cells layouts) and redo possible
        // (history); false where they do not matter, so that a change repaints only the caps it
        // touches.
        bool glyphAllLit = false;
        bool glyphCanRedo = false;
        // The hotkey label, the symbol, the label or "MULTI".
        QColor textColor;
        SymbolWeight symbolWeight = SymbolWeight::Regular;
        int labelWeight = 400;
        qreal labelSize = 0;
        // The globe above "MULTI".
        QColor globeColor;
        std::optional<int> pulseIndex;
        // Uptime at which the key went down, while held.
        std::optional<double> pressedAt;
        QString tip;
        QString accessibilityLabel;
        bool accessible = false;
        bool liftEnabled = false;
        bool pencil = false;

        friend bool operator==(const Look&, const Look&) = default;
    };

    // The action drawn on the key; none on an unbound key.
    std::optional<SnapAction> action() const {
        return binding ? std::optional<SnapAction>(binding->action) : std::nullopt;
    }

    bool isHotkeyModifierKey(const TilewickStore& store) const;
    bool isSelected(const KeyboardEnvironment& env) const;
    bool isHeld(const TilewickStore& store) const;
    bool isPickable(const TilewickStore& store) const;
    bool isMuted(const TilewickStore& store, const KeyboardEnvironment& env) const;
    bool isCurrentAppSnapKey(const TilewickStore& store, const KeyboardEnvironment& env) const;
    bool isEditing(const TilewickStore& store) const;

    static Variant variant(const KeyboardEnvironment& env);
    // The help text of the main window's keys.
    QString keyTip(const TilewickStore& store) const;
    // The help text while picking a Default App Snap layout.
    QString appSnapTip(const TilewickStore& store, const KeyboardEnvironment& env) const;
    QString accessibilityLabel() const;
    // The place of the key in the wave of pulses; none when it does not pulse.
    std::optional<int> pulseIndex(const TilewickStore& store, const KeyboardEnvironment& env) const;

    Look look(const TilewickStore& store, const KeyboardEnvironment& env, Scheme scheme) const;

    // The key's outline in a frame at the origin of its own size.
    QPainterPath shape(QSizeF size) const;

    // A tap while picking: hands a pickable layout to the environment's assignAppSnapKey.
    void pickingTap(const TilewickStore& store, const KeyboardEnvironment& env) const;

    // "option", "option and command", "control, option and command": the hotkey modifiers
    // other than `own`, in the order control, option, shift, command.
    static QString otherModifierNames(quint64 modifiers, quint64 own);
};

} // namespace tilewick
