#include "KeyCap.h"

#include "tilewick/store/TilewickStore.h"

#include "platform/KeyCodes.h"
#include "tilewick/visuals/RoundedRect.h"

#include <QStringList>

namespace tilewick {

namespace {

constexpr quint16 kGlobeKey = platform::kFnKeyCode;
constexpr qreal kCornerRatio = 0.13;

// The neutral tint of the dark scheme: the accent's violet, faint.
QColor darkNeutral(qreal opacity) {
    QColor c;
    c.setRgbF(0.545f, 0.361f, 0.965f, float(opacity));
    return c;
}

bool isLayoutOrPlacement(SnapAction action, bool multi) {
    const SnapKind k = kind(action);
    return k.isCells() ||
           (!multi && (k.type() == SnapKind::Type::centre || k.type() == SnapKind::Type::maximize));
}

} // namespace

bool KeyCap::isHotkeyModifierKey(const TilewickStore& store) const {
    return key.code && store.isHotkeyModifierKey(*key.code);
}

bool KeyCap::isSelected(const KeyboardEnvironment& env) const {
    return env.allHotkeysSelected || (binding && tab(binding->action) == current);
}

bool KeyCap::isHeld(const TilewickStore& store) const {
    return key.code && store.pressedKeys().contains(*key.code);
}

bool KeyCap::isPickable(const TilewickStore& store) const {
    return binding && isLayoutOrPlacement(binding->action, store.appSnapMulti());
}

bool KeyCap::isMuted(const TilewickStore& store, const KeyboardEnvironment& env) const {
    if (!(store.multiWindow() || env.allPartsLit) || !binding || !kind(binding->action).isCells())
        return false;
    return store.anchorAction(tab(binding->action)) != binding->action;
}

bool KeyCap::isCurrentAppSnapKey(const TilewickStore& store, const KeyboardEnvironment& env) const {
    if (!env.pickingAppSnap || !binding)
        return false;
    const auto snap = store.currentAppSnap();
    return snap && snap->action == binding->action;
}

bool KeyCap::isEditing(const TilewickStore& store) const {
    if (store.recording())
        return binding && *store.recording() == binding->action;
    return store.editingModifiers() && isHotkeyModifierKey(store);
}

KeyCap::Variant KeyCap::variant(const KeyboardEnvironment& env) {
    if (env.keysAreGuide)
        return Variant::guide;
    return env.pickingAppSnap ? Variant::picking : Variant::normal;
}

QString KeyCap::otherModifierNames(quint64 modifiers, quint64 own) {
    static const std::pair<quint64, const char*> kNames[] = {
        {kControlFlag, "control"}, {kOptionFlag, "option"}, {kShiftFlag, "shift"}, {kCommandFlag, "command"}};
    QStringList names;
    for (const auto& [flag, name] : kNames) {
        if ((modifiers & flag) && flag != own)
            names.append(QString::fromLatin1(name));
    }
    if (names.size() <= 1)
        return names.join(QString());
    const QString last = names.takeLast();
    return names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

QString KeyCap::keyTip(const TilewickStore& store) const {
    if (isHotkeyModifierKey(store)) {
        const quint64 own = platform::modifierKeyFlag(*key.code);
        return QStringLiteral("One of your Tilewick modifier keys. Hold down this plus ") +
               otherModifierNames(store.modifiers(), own) +
               QStringLiteral(" then another key to snap the window. Click to edit.");
    }
    if (key.code == kGlobeKey)
        return QStringLiteral("The multi-window modifier. Hold it with ") +
               Hotkey::modifierGlyphs(store.modifiers()) +
               QStringLiteral(
                   ", then press a layout key: if the focused app supports multiple windows, it fills "
                   "the layout with them, opening new ones as needed");
    if (!binding)
        return {};
    const SnapTab owner = tab(binding->action);
    const QString ending = title(binding->action) + QStringLiteral(". Click to change its key");
    return owner == SnapTab::global ? ending : title(owner) + QStringLiteral(": ") + ending;
}

QString KeyCap::appSnapTip(const TilewickStore& store, const KeyboardEnvironment& env) const {
    if (!isPickable(store) || isMuted(store, env))
        return {};
    if (!store.appSnapApp() || !binding)
        return QStringLiteral("Choose an app first");
    const bool multi = store.appSnapMulti();
    const SnapAction action = multi ? store.multiWindowAction(binding->action) : binding->action;
    return QStringLiteral("Open ") + store.appSnapApp()->name + u' ' + multiPhrase(action, multi);
}

QString KeyCap::accessibilityLabel() const {
    if (!binding)
        return key.label;
    const SnapTab owner = tab(binding->action);
    const QString text = title(binding->action) + QStringLiteral(", ") + binding->hotkey.label;
    return owner == SnapTab::global ? text : title(owner) + QStringLiteral(": ") + text;
}

std::optional<int> KeyCap::pulseIndex(const TilewickStore& store, const KeyboardEnvironment& env) const {
    if (isHeld(store))
        return 0;
    if (!binding || !isSelected(env) || (env.pickingAppSnap && !isPickable(store)) || isMuted(store, env) ||
        flashing || isCurrentAppSnapKey(store, env))
        return std::nullopt;
    const QList<SnapAction>& wave = actions(env.allHotkeysSelected ? tab(binding->action) : current);
    const qsizetype index = wave.indexOf(binding->action);
    if (index < 0)
        return std::nullopt;
    return int(index);
}

KeyCap::Look KeyCap::look(const TilewickStore& store, const KeyboardEnvironment& env, Scheme scheme) const {
    const bool dark = scheme == Scheme::Dark;
    const bool picking = env.pickingAppSnap;
    const bool modifierKey = isHotkeyModifierKey(store);
    const bool pickable = isPickable(store);
    const bool muted = isMuted(store, env);
    const bool globe = key.code == kGlobeKey;

    Look look;
    look.scheme = scheme;
    look.variant = variant(env);
    look.held = isHeld(store);
    look.editing = isEditing(store);
    look.emphasised = flashing || isCurrentAppSnapKey(store, env);
    look.cardHovered = binding && store.hoveredAction() == binding->action;
    if (look.held)
        look.pressedAt = store.pressedKeys().value(*key.code);

    // Tint, fill and outline.
    const QColor accent = Theme::accent.resolve(scheme), magenta = Theme::magenta.resolve(scheme);
    const QColor neutral = dark ? darkNeutral(0.28) : Theme::border.resolve(scheme);
    if (look.emphasised)
        look.tint = accent;
    else if (modifierKey)
        look.tint = look.cardHovered || !picking ? magenta : neutral;
    else
        look.tint = look.cardHovered ? magenta : neutral;
    look.fill = (look.emphasised ? Theme::accentSoft : Theme::card).resolve(scheme);
    look.faceOpacity = env.keyFaceOpacity;
    const qreal emphasisWidth = look.emphasised || look.cardHovered ? 2 : 1;
    look.outlineWidth = emphasisWidth;
    if (!returnShape && modifierKey && !picking && !look.emphasised && !look.cardHovered) {
        look.outlineStyle = OutlineStyle::accentGradient;
        look.outlineWidth = 1.25;
    } else if (!returnShape && globe && !picking) {
        look.outlineStyle = OutlineStyle::accent;
        look.outlineWidth = 1.25;
    }

    // Content.
    const QColor primary = Theme::text.resolve(scheme), secondary = Theme::textSecondary.resolve(scheme);
    if (binding) {
        look.content = muted ? Content::mutedHotkey : Content::glyphAndHotkey;
        const SnapKind glyphKind = kind(binding->action);
        look.glyphAllLit = glyphKind.isCells() && (store.multiWindow() || env.allPartsLit);
        look.glyphCanRedo = glyphKind.type() == SnapKind::Type::history && store.canRedo();
        if (picking && !pickable)
            look.glyphOpacity = 0.22;
        else
            look.glyphOpacity = isSelected(env) || flashing || look.held ? 1.0 : 0.42;
        if (look.held)
            look.textColor = primary;
        else
            look.textColor =
                !muted && picking && !pickable ? Theme::textSecondary.resolve(scheme, 0.5) : secondary;
    } else if (globe) {
        look.content = Content::globe;
        look.symbolWeight = picking ? SymbolWeight::Regular : SymbolWeight::Bold;
        look.globeColor = picking ? secondary : primary;
        if (picking)
            look.textColor = Theme::textSecondary.resolve(scheme, 0.6);
        else
            look.textColor = dark ? QColor(255, 255, 255, 217) : accent;
    } else if (key.symbol) {
        look.content = Content::symbol;
        if (modifierKey && !picking)
            look.symbolWeight = SymbolWeight::Bold;
        else
            look.symbolWeight = look.held ? SymbolWeight::Semibold : SymbolWeight::Regular;
        look.textColor = look.held || (modifierKey && !picking) ? primary : secondary;
    } else {
        look.content = Content::label;
        look.labelSize = (key.label.size() == 1 ? 0.26 : 0.21) * u;
        look.labelWeight = look.held ? 600 : 400;
        look.textColor = look.held ? primary : secondary;
    }

    look.pulseIndex = pulseIndex(store, env);

    // Interaction and texts.
    switch (look.variant) {
    case Variant::guide:
        break;
    case Variant::picking:
        look.tip = appSnapTip(store, env);
        look.accessible = pickable;
        look.liftEnabled = pickable && !muted;
        break;
    case Variant::normal:
        look.tip = keyTip(store);
        look.accessible = binding.has_value();
        look.liftEnabled = binding || modifierKey || globe;
        look.pencil = !globe;
        break;
    }
    look.accessibilityLabel = accessibilityLabel();
    return look;
}

QPainterPath KeyCap::shape(QSizeF size) const {
    const QRectF frame(QPointF(), size);
    if (returnShape)
        return returnShape->path(frame);
    return RoundedRect{frame, kCornerRatio * u}.path();
}

void KeyCap::pickingTap(const TilewickStore& store, const KeyboardEnvironment& env) const {
    if (binding && isPickable(store) && env.assignAppSnapKey)
        env.assignAppSnapKey(binding->action);
}

} // namespace tilewick
