#include "KeyboardMap.h"

#include "platform/KeyCodes.h"

namespace tilewick {

namespace {

const QString kDigits = QStringLiteral("1234567890-=");
const QList<quint16> kDigitCodes = {18, 19, 20, 21, 23, 22, 26, 28, 25, 29, 27, 24};
const QString kTopLetters = QStringLiteral("QWERTYUIOP[]");
const QList<quint16> kTopLetterCodes = {12, 13, 14, 15, 17, 16, 32, 34, 31, 35, 33, 30};
const QString kHomeLetters = QStringLiteral("ASDFGHJKL;'");
const QList<quint16> kHomeLetterCodes = {0, 1, 2, 3, 5, 4, 38, 40, 37, 41, 39};
const QString kBottomLetters = QStringLiteral("ZXCVBNM,./");
const QList<quint16> kBottomLetterCodes = {6, 7, 8, 9, 11, 45, 46, 43, 47, 44};

const QString kGrave = QStringLiteral("`");
const QString kSection = QStringLiteral("\u00A7");
const QString kBackslash = QStringLiteral("\\");

KeyDef wide(quint16 code, const QString& label, double width, std::optional<QString> symbol = std::nullopt) {
    return KeyDef{.code = code, .label = label, .width = width, .symbol = std::move(symbol)};
}

KeyDef modifier(quint16 code, const QString& label, const QString& symbol, double width = 1.0) {
    return wide(code, label, width, symbol);
}

} // namespace

KeyboardMap::Row KeyboardMap::makeRow(const QString& labels, const QList<quint16>& codes) {
    Row row;
    const qsizetype n = std::min(labels.size(), codes.size());
    row.reserve(n);
    for (qsizetype i = 0; i < n; ++i)
        row.append(KeyDef::key(codes[i], QString(labels[i])));
    return row;
}

KeyboardMap::Rows KeyboardMap::rows(bool iso) {
    Row numbers = {iso ? KeyDef::key(10, kSection) : KeyDef::key(50, kGrave)};
    numbers += makeRow(kDigits, kDigitCodes);
    numbers.append(wide(51, QStringLiteral("delete"), 1.5));

    Row top = {wide(48, QStringLiteral("tab"), 1.5)};
    top += makeRow(kTopLetters, kTopLetterCodes);
    if (iso) {
        KeyDef enter = KeyDef::key(36, QStringLiteral("return"));
        enter.isoReturn = true;
        top.append(enter);
    } else {
        top.append(KeyDef::key(42, kBackslash));
    }

    Row home = {wide(platform::kCapsLockKeyCode, QStringLiteral("caps lock"), 1.75)};
    home += makeRow(kHomeLetters, kHomeLetterCodes);
    if (iso) {
        home.append(KeyDef::key(42, kBackslash));
        home.append(KeyDef{.label = QStringLiteral("return-space"), .width = 0.75, .spacer = true});
    } else {
        home.append(wide(36, QStringLiteral("return"), 1.75));
    }

    const QString shift = QStringLiteral("shift");
    Row lower;
    if (iso)
        lower = {modifier(platform::kShiftKeyCode, shift, shift, 1.25), KeyDef::key(50, kGrave)};
    else
        lower = {modifier(platform::kShiftKeyCode, shift, shift, 2.25)};
    lower += makeRow(kBottomLetters, kBottomLetterCodes);
    lower.append(modifier(platform::kRightShiftKeyCode, shift, shift, 2.25));

    const Row bottom = {
        modifier(platform::kFnKeyCode, QStringLiteral("fn"), QStringLiteral("globe")),
        modifier(platform::kControlKeyCode, QStringLiteral("control"), QStringLiteral("control")),
        modifier(platform::kOptionKeyCode, QStringLiteral("option"), QStringLiteral("option")),
        modifier(platform::kCommandKeyCode, QStringLiteral("command"), QStringLiteral("command"), 1.25),
        wide(49, QString(), 5.0),
        modifier(platform::kRightCommandKeyCode, QStringLiteral("command"), QStringLiteral("command"), 1.25),
        modifier(platform::kRightOptionKeyCode, QStringLiteral("option"), QStringLiteral("option")),
    };

    return {numbers, top, home, lower, bottom};
}

const KeyboardMap::Rows& KeyboardMap::isoRows() {
    static const Rows table = rows(true);
    return table;
}

const KeyboardMap::Rows& KeyboardMap::ansiRows() {
    static const Rows table = rows(false);
    return table;
}

double KeyboardMap::width(const Row& row) {
    double total = 0.0;
    for (const KeyDef& key : row)
        total += key.width;
    return total;
}

KeyboardMap::KeyCentres KeyboardMap::keyCentres(bool iso) {
    KeyCentres centres;
    double x = 0.0;
    const Rows& table = rowsFor(iso);
    for (qsizetype r = 0; r < table.size(); ++r) {
        x = 0.0;
        for (const KeyDef& key : table[r]) {
            // A code that appears twice keeps its first centre.
            if (key.code && !centres.contains(*key.code))
                centres.insert(*key.code, QPointF(x + key.width / 2.0, double(r)));
            x += key.width;
        }
    }
    // The arrow cluster follows the bottom row.
    centres.insert(kLeftArrow, QPointF(x + 0.5, 4.0));
    centres.insert(kUpArrow, QPointF(x + 1.5, 4.0));
    centres.insert(kDownArrow, QPointF(x + 1.5, 4.5));
    centres.insert(kRightArrow, QPointF(x + 2.5, 4.0));
    return centres;
}

const KeyboardMap::KeyCentres& KeyboardMap::isoKeyCentres() {
    static const KeyCentres table = keyCentres(true);
    return table;
}

const KeyboardMap::KeyCentres& KeyboardMap::ansiKeyCentres() {
    static const KeyCentres table = keyCentres(false);
    return table;
}

} // namespace tilewick
