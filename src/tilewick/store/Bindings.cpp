#include "Bindings.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <set>
#include <utility>
#include <vector>

namespace tilewick {

namespace {

constexpr quint64 kOptionCommand = kDefaultHotkeyModifiers;

bool hasChord(const Bindings& bindings, quint64 chord) {
    for (const auto& [action, hotkey] : bindings) {
        if (chordKey(hotkey) == chord)
            return true;
    }
    return false;
}

bool boundTo(const Bindings& bindings, SnapAction action, quint16 keyCode) {
    const auto it = bindings.find(action);
    return it != bindings.end() && it->second.keyCode == keyCode;
}

} // namespace

Bindings defaultBindings() {
    Bindings bindings;
    for (const auto action : allSnapActions())
        bindings.emplace(action, defaultHotkey(action));
    return bindings;
}

HotkeyEngine::ChordTable chordTable(const Bindings& bindings) {
    HotkeyEngine::ChordTable table;
    table.reserve(qsizetype(bindings.size()));
    for (const auto& [action, hotkey] : bindings)
        table.append({chordKey(hotkey), action});
    return table;
}

bool isKeyCodeFree(const Bindings& bindings, quint16 keyCode) {
    for (const auto& [action, hotkey] : bindings) {
        if (hotkey.keyCode == keyCode)
            return false;
    }
    return true;
}

QByteArray encodeBindings(const Bindings& bindings) {
    QJsonObject object;
    for (const auto& [action, hotkey] : bindings)
        object.insert(rawValue(action), hotkey.toJson());
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<Bindings> decodeBindings(const QByteArray& data) {
    QJsonParseError error{};
    const auto document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    Bindings bindings;
    const auto object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        // Every member must be a hotkey, also those that name no action.
        if (!it.value().isObject())
            return std::nullopt;
        const auto hotkey = Hotkey::fromJson(it.value().toObject());
        if (!hotkey)
            return std::nullopt;
        if (const auto action = snapActionFromRaw(it.key()))
            bindings[*action] = *hotkey;
    }
    return bindings;
}

void migrateBindingsV2(Bindings& bindings) {
    // The half-screen keys moved to the arrows; their old keys went to the two-thirds.
    const std::array<std::pair<SnapAction, Hotkey>, 2> oldHalves{{
        {SnapAction::leftHalf, {27, kOptionCommand, QStringLiteral("-")}},
        {SnapAction::rightHalf, {24, kOptionCommand, QStringLiteral("+")}},
    }};
    for (const auto& [action, old] : oldHalves) {
        const auto it = bindings.find(action);
        if (it != bindings.end() && chordKey(it->second) == chordKey(old))
            bindings.erase(it);
    }
    const std::array added{SnapAction::leftHalf,        SnapAction::rightHalf,
                           SnapAction::leftTwoThirds,   SnapAction::rightTwoThirds,
                           SnapAction::topTwoThirds,    SnapAction::bottomTwoThirds,
                           SnapAction::fourLeft,        SnapAction::fourLeftCentre,
                           SnapAction::fourRightCentre, SnapAction::fourRight};
    for (const auto action : added) {
        if (bindings.contains(action))
            continue;
        const auto hotkey = defaultHotkey(action);
        if (!hasChord(bindings, chordKey(hotkey)))
            bindings[action] = hotkey;
    }
}

void migrateBindingsV3(Bindings& bindings) {
    // Maximize moved from M to Return.
    const auto it = bindings.find(SnapAction::maximize);
    if (it != bindings.end() && chordKey(it->second) == chordKey(46, kOptionCommand) &&
        !hasChord(bindings, chordKey(36, kOptionCommand)))
        it->second = Hotkey{36, kOptionCommand, QStringLiteral("↩")};
}

void migrateBindingsV4(Bindings& bindings) {
    // The up-down thirds left R, F and V for their defaults.
    const std::array<std::pair<SnapAction, Hotkey>, 3> oldThirds{{
        {SnapAction::topThird, {15, kOptionCommand, QStringLiteral("R")}},
        {SnapAction::middleThird, {3, kOptionCommand, QStringLiteral("F")}},
        {SnapAction::bottomThird, {9, kOptionCommand, QStringLiteral("V")}},
    }};
    std::vector<SnapAction> collected;
    for (const auto& [action, old] : oldThirds) {
        const auto it = bindings.find(action);
        if (it != bindings.end() && chordKey(it->second) == chordKey(old))
            collected.push_back(action);
    }
    for (const auto action : collected)
        bindings.erase(action);
    for (const auto action : collected) {
        const auto hotkey = defaultHotkey(action);
        if (!hasChord(bindings, chordKey(hotkey)))
            bindings[action] = hotkey;
    }
}

void migrateBindingsV5(Bindings& bindings) {
    // Key codes only from here on: recorded keys carry no modifiers.
    if (boundTo(bindings, SnapAction::centre, 2) && isKeyCodeFree(bindings, 8))
        bindings[SnapAction::centre] = Hotkey{8, kOptionCommand, QStringLiteral("C")};

    if (boundTo(bindings, SnapAction::topThird, 21) && boundTo(bindings, SnapAction::middleThird, 15) &&
        boundTo(bindings, SnapAction::bottomThird, 3)) {
        if (isKeyCodeFree(bindings, 14))
            bindings[SnapAction::middleThird] = Hotkey{14, kOptionCommand, QStringLiteral("E")};
        if (isKeyCodeFree(bindings, 2))
            bindings[SnapAction::bottomThird] = Hotkey{2, kOptionCommand, QStringLiteral("D")};
    }

    if (!bindings.contains(SnapAction::focus) && isKeyCodeFree(bindings, 3))
        bindings[SnapAction::focus] = Hotkey{3, kOptionCommand, QStringLiteral("F")};

    // A key code shared by several actions stays with the first in declaration order.
    std::set<quint16> seen;
    for (auto it = bindings.begin(); it != bindings.end();) {
        if (seen.insert(it->second.keyCode).second)
            ++it;
        else
            it = bindings.erase(it);
    }
}

void migrateBindingsV6(Bindings& bindings) {
    for (const auto action : {SnapAction::undo, SnapAction::redo}) {
        const auto hotkey = defaultHotkey(action);
        if (!bindings.contains(action) && isKeyCodeFree(bindings, hotkey.keyCode))
            bindings[action] = hotkey;
    }
}

void migrateBindings(Bindings& bindings, qint64 version) {
    if (version < 2)
        migrateBindingsV2(bindings);
    if (version < 3)
        migrateBindingsV3(bindings);
    if (version < 4)
        migrateBindingsV4(bindings);
    if (version < 5)
        migrateBindingsV5(bindings);
    if (version < 6)
        migrateBindingsV6(bindings);
}

} // namespace tilewick
