#pragma once

#include "tilewick/engine/HotkeyEngine.h"
#include "tilewick/model/Hotkey.h"
#include "tilewick/model/SnapAction.h"

#include <QByteArray>

#include <map>
#include <optional>

namespace tilewick {

// The hotkey of each bound action; an action without an entry has no hotkey. Iterates in
// declaration order.
using Bindings = std::map<SnapAction, Hotkey>;

// The factory binding of every action.
Bindings defaultBindings();

// The engine's chord table of these bindings, in declaration order (so the earlier action wins
// a chord two bindings share).
HotkeyEngine::ChordTable chordTable(const Bindings& bindings);

// True when no entry has this key code, whatever its modifiers.
bool isKeyCodeFree(const Bindings& bindings, quint16 keyCode);

// The bindings as stored: a JSON object from each action's raw value to its hotkey.
QByteArray encodeBindings(const Bindings& bindings);
// None when the data is not a JSON object whose every member is a hotkey. Members that name no
// action are dropped.
std::optional<Bindings> decodeBindings(const QByteArray& data);

// The version of the stored table that the migrations bring every table up to.
inline constexpr qint64 kBindingsVersion = 6;

// One migration step each; tables written by earlier versions go through them in order.
void migrateBindingsV2(Bindings& bindings);
void migrateBindingsV3(Bindings& bindings);
void migrateBindingsV4(Bindings& bindings);
void migrateBindingsV5(Bindings& bindings);
void migrateBindingsV6(Bindings& bindings);
// Runs the steps a table of `version` lacks (none from version 6 on).
void migrateBindings(Bindings& bindings, qint64 version);

} // namespace tilewick
