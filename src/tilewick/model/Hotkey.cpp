#include "Hotkey.h"

#include <QJsonValue>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace tilewick {

namespace {

struct ModifierSymbol {
    quint64 bit;
    const char* name;
};

// The order in which modifiers are always shown.
constexpr ModifierSymbol kModifierOrder[] = {
    {kControlFlag, "control"},
    {kOptionFlag, "option"},
    {kShiftFlag, "shift"},
    {kCommandFlag, "command"},
};

const QHash<QString, QString>& glyphTable() {
    static const QHash<QString, QString> table = {
        {u"control"_s, u"⌃"_s},
        {u"option"_s, u"⌥"_s},
        {u"shift"_s, u"⇧"_s},
        {u"command"_s, u"⌘"_s},
        {u"arrowtriangle.up.fill"_s, u"▲"_s},
        {u"arrowtriangle.down.fill"_s, u"▼"_s},
        {u"arrowtriangle.left.fill"_s, u"◀"_s},
        {u"arrowtriangle.right.fill"_s, u"▶"_s},
        {u"return"_s, u"↩"_s},
        {u"arrow.right.to.line"_s, u"⇥"_s},
        {u"space"_s, u"Space"_s},
        {u"delete.left"_s, u"⌫"_s},
        {u"delete.right"_s, u"⌦"_s},
        {u"escape"_s, u"⎋"_s},
        {u"arrow.up.left"_s, u"↖"_s},
        {u"arrow.down.right"_s, u"↘"_s},
        {u"arrow.up.to.line"_s, u"⇞"_s},
        {u"arrow.down.to.line"_s, u"⇟"_s},
        {u"globe"_s, u"🌐"_s},
    };
    return table;
}

// A JSON number that is a whole value within [0, max]; JSON numbers arrive as doubles.
std::optional<quint64> unsignedValue(const QJsonValue& value, double max) {
    if (!value.isDouble())
        return std::nullopt;
    const double d = value.toDouble();
    if (!(d >= 0 && d <= max) || std::trunc(d) != d)
        return std::nullopt;
    return quint64(d);
}

// A modifier set as a JSON integer, exact in all 64 bits; beyond the signed range, where JSON
// readers go inexact, a decimal string.
QJsonValue modifiersValue(quint64 modifiers) {
    if (modifiers <= quint64(std::numeric_limits<qint64>::max()))
        return qint64(modifiers);
    return QString::number(modifiers);
}

std::optional<quint64> modifiersFromValue(const QJsonValue& value) {
    if (value.isString()) {
        bool ok = false;
        const QString text = value.toString();
        const quint64 modifiers = text.toULongLong(&ok);
        // Decimal digits and nothing else: no blank or sign the number reader would pass over.
        const bool digits =
            std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        return ok && digits ? std::optional(modifiers) : std::nullopt;
    }
    // Whole numbers arrive exact; older versions wrote doubles, read as before.
    if (const qint64 exact = value.toInteger(-1); exact >= 0)
        return quint64(exact);
    // 2^64 itself is not representable in 64 bits; the largest double below it is.
    return unsignedValue(value, 18446744073709549568.0);
}

} // namespace

QList<Hotkey::Part> Hotkey::parts() const {
    QList<Part> result;
    for (const auto& m : kModifierOrder) {
        if (modifiers & m.bit)
            result.append(Part::symbol(QString::fromLatin1(m.name)));
    }
    const auto& symbols = keySymbols();
    const auto it = symbols.constFind(keyCode);
    result.append(it != symbols.cend() ? Part::symbol(*it) : Part::text(label));
    return result;
}

QString Hotkey::plainText() const {
    QString text;
    for (const Part& part : parts()) {
        if (part.kind == Part::Kind::symbol)
            text += glyph(part.value);
        else
            text += u"“"_s + part.value + u"”"_s;
    }
    return text;
}

QJsonObject Hotkey::toJson() const {
    return QJsonObject{
        {u"keyCode"_s, double(keyCode)},
        {u"modifiers"_s, modifiersValue(modifiers)},
        {u"label"_s, label},
    };
}

std::optional<Hotkey> Hotkey::fromJson(const QJsonObject& object) {
    const auto code = unsignedValue(object.value(u"keyCode"), 65535.0);
    const auto mods = modifiersFromValue(object.value(u"modifiers"));
    const QJsonValue labelValue = object.value(u"label");
    if (!code || !mods || !labelValue.isString())
        return std::nullopt;
    return Hotkey{quint16(*code), *mods, labelValue.toString()};
}

QString Hotkey::modifierGlyphs(quint64 mask) {
    QString text;
    for (const auto& m : kModifierOrder) {
        if (mask & m.bit)
            text += glyph(QString::fromLatin1(m.name));
    }
    return text;
}

const char* Hotkey::modifierName(quint64 bit) {
    for (const auto& m : kModifierOrder)
        if (bit == m.bit)
            return m.name;
    return "";
}

const QHash<quint16, QString>& Hotkey::keySymbols() {
    static const QHash<quint16, QString> table = {
        {126, u"arrowtriangle.up.fill"_s},
        {125, u"arrowtriangle.down.fill"_s},
        {123, u"arrowtriangle.left.fill"_s},
        {124, u"arrowtriangle.right.fill"_s},
        {36, u"return"_s},
        {76, u"return"_s},
        {48, u"arrow.right.to.line"_s},
        {49, u"space"_s},
        {51, u"delete.left"_s},
        {117, u"delete.right"_s},
        {53, u"escape"_s},
        {115, u"arrow.up.left"_s},
        {119, u"arrow.down.right"_s},
        {116, u"arrow.up.to.line"_s},
        {121, u"arrow.down.to.line"_s},
        {platform::kFnKeyCode, u"globe"_s},
    };
    return table;
}

const QHash<quint16, QString>& Hotkey::functionKeyLabels() {
    static const QHash<quint16, QString> table = {
        {122, u"F1"_s},  {120, u"F2"_s},  {99, u"F3"_s},   {118, u"F4"_s},  {96, u"F5"_s},
        {97, u"F6"_s},   {98, u"F7"_s},   {100, u"F8"_s},  {101, u"F9"_s},  {109, u"F10"_s},
        {103, u"F11"_s}, {111, u"F12"_s}, {105, u"F13"_s}, {107, u"F14"_s}, {113, u"F15"_s},
    };
    return table;
}

QString Hotkey::glyph(const QString& symbolName) {
    return glyphTable().value(symbolName, symbolName);
}

size_t qHash(const Hotkey& hotkey, size_t seed) noexcept {
    return qHashMulti(seed, hotkey.keyCode, hotkey.modifiers, hotkey.label);
}

namespace {

struct Binding {
    SnapAction action;
    quint16 keyCode;
    const char* label; // UTF-8
};

// The factory bindings, in action declaration order.
constexpr Binding kFactoryBindings[kSnapActionCount] = {
    {SnapAction::centre, 8, "C"},
    {SnapAction::previousDisplay, 43, "<"},
    {SnapAction::nextDisplay, 47, ">"},
    {SnapAction::maximize, 36, "↩"},
    {SnapAction::focus, 3, "F"},
    {SnapAction::undo, 6, "Z"},
    {SnapAction::redo, 7, "X"},
    {SnapAction::leftHalf, 123, "←"},
    {SnapAction::rightHalf, 124, "→"},
    {SnapAction::leftTwoThirds, 27, "-"},
    {SnapAction::rightTwoThirds, 24, "+"},
    {SnapAction::leftThird, 18, "1"},
    {SnapAction::centreThird, 19, "2"},
    {SnapAction::rightThird, 20, "3"},
    {SnapAction::topLeftQuarter, 12, "Q"},
    {SnapAction::topRightQuarter, 13, "W"},
    {SnapAction::bottomLeftQuarter, 0, "A"},
    {SnapAction::bottomRightQuarter, 1, "S"},
    {SnapAction::topLeftSixth, 35, "P"},
    {SnapAction::topCentreSixth, 33, "["},
    {SnapAction::topRightSixth, 30, "]"},
    {SnapAction::bottomLeftSixth, 41, ";"},
    {SnapAction::bottomCentreSixth, 39, "'"},
    {SnapAction::bottomRightSixth, 42, "\\"},
    {SnapAction::topLeftEighth, 17, "T"},
    {SnapAction::topMiddleLeftEighth, 16, "Y"},
    {SnapAction::topMiddleRightEighth, 32, "U"},
    {SnapAction::topRightEighth, 34, "I"},
    {SnapAction::bottomLeftEighth, 5, "G"},
    {SnapAction::bottomMiddleLeftEighth, 4, "H"},
    {SnapAction::bottomMiddleRightEighth, 38, "J"},
    {SnapAction::bottomRightEighth, 40, "K"},
    {SnapAction::fourLeft, 26, "7"},
    {SnapAction::fourLeftCentre, 28, "8"},
    {SnapAction::fourRightCentre, 25, "9"},
    {SnapAction::fourRight, 29, "0"},
    {SnapAction::topHalf, 126, "↑"},
    {SnapAction::bottomHalf, 125, "↓"},
    {SnapAction::topTwoThirds, 31, "O"},
    {SnapAction::bottomTwoThirds, 37, "L"},
    {SnapAction::topThird, 21, "4"},
    {SnapAction::middleThird, 14, "E"},
    {SnapAction::bottomThird, 2, "D"},
};

constexpr bool bindingsInDeclarationOrder() {
    for (int i = 0; i < kSnapActionCount; ++i) {
        if (indexOf(kFactoryBindings[i].action) != i)
            return false;
    }
    return true;
}
static_assert(bindingsInDeclarationOrder(), "the factory bindings must follow the declaration order");

} // namespace

Hotkey defaultHotkey(SnapAction action) {
    const Binding& b = kFactoryBindings[indexOf(action)];
    return Hotkey{b.keyCode, kDefaultHotkeyModifiers, QString::fromUtf8(b.label)};
}

} // namespace tilewick
