#include "tilewick/model/Hotkey.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>

using namespace tilewick;
using Part = Hotkey::Part;

namespace {

TEST(Hotkey, FactoryBindings) {
    QSet<quint16> codes;
    for (SnapAction a : allSnapActions()) {
        const Hotkey h = defaultHotkey(a);
        EXPECT_EQ(h.modifiers, 0x180000u);
        codes.insert(h.keyCode);
    }
    EXPECT_EQ(codes.size(), kSnapActionCount);
    EXPECT_EQ(defaultHotkey(SnapAction::centre), (Hotkey{8, 0x180000, "C"}));
    EXPECT_EQ(defaultHotkey(SnapAction::maximize), (Hotkey{36, 0x180000, QString::fromUtf8("↩")}));
    EXPECT_EQ(defaultHotkey(SnapAction::leftHalf), (Hotkey{123, 0x180000, QString::fromUtf8("←")}));
    EXPECT_EQ(defaultHotkey(SnapAction::bottomRightSixth), (Hotkey{42, 0x180000, "\\"}));
    EXPECT_EQ(defaultHotkey(SnapAction::bottomCentreSixth), (Hotkey{39, 0x180000, "'"}));
    EXPECT_EQ(defaultHotkey(SnapAction::fourRight), (Hotkey{29, 0x180000, "0"}));
    EXPECT_EQ(defaultHotkey(SnapAction::bottomThird), (Hotkey{2, 0x180000, "D"}));
}

TEST(Hotkey, PartsOrderModifiersAndDrawSymbolKeys) {
    EXPECT_EQ((Hotkey{40, 0, "K"}).parts(), QList<Part>{Part::text("K")});
    EXPECT_EQ((Hotkey{0, 0x100000 | 0x20000 | 0x80000 | 0x40000, "A"}).parts(),
              (QList<Part>{Part::symbol("control"), Part::symbol("option"), Part::symbol("shift"),
                           Part::symbol("command"), Part::text("A")}));
    // Bits outside the four modifiers are ignored.
    EXPECT_EQ((Hotkey{0, 0x800000 | 0x80000, "A"}).parts(),
              (QList<Part>{Part::symbol("option"), Part::text("A")}));
    // Return and keypad Enter draw the same whatever their labels.
    EXPECT_EQ((Hotkey{36, 0, "x"}).parts(), QList<Part>{Part::symbol("return")});
    EXPECT_EQ((Hotkey{76, 0, "Enter"}).parts(), QList<Part>{Part::symbol("return")});
    EXPECT_EQ((Hotkey{110, 0, "Key 110"}).parts(), QList<Part>{Part::text("Key 110")});
}

TEST(Hotkey, PlainTextAndModifierGlyphs) {
    EXPECT_EQ(defaultHotkey(SnapAction::centre).plainText(), QString::fromUtf8("⌥⌘“C”"));
    EXPECT_EQ(defaultHotkey(SnapAction::maximize).plainText(), QString::fromUtf8("⌥⌘↩"));
    EXPECT_EQ(defaultHotkey(SnapAction::leftHalf).plainText(), QString::fromUtf8("⌥⌘◀"));
    EXPECT_EQ((Hotkey{40, 0, "K"}).plainText(), QString::fromUtf8("“K”"));
    EXPECT_EQ((Hotkey{76, 0, "Enter"}).plainText(), QString::fromUtf8("↩"));
    EXPECT_EQ((Hotkey{49, 0x1E0000, " "}).plainText(), QString::fromUtf8("⌃⌥⇧⌘Space"));
    EXPECT_EQ((Hotkey{63, 0, "fn"}).plainText(), QString::fromUtf8("🌐"));

    EXPECT_EQ(Hotkey::modifierGlyphs(0), QString());
    EXPECT_EQ(Hotkey::modifierGlyphs(0x1E0000 | 0x800000), QString::fromUtf8("⌃⌥⇧⌘"));
    EXPECT_EQ(Hotkey::modifierGlyphs(0x100000 | 0x20000), QString::fromUtf8("⇧⌘"));
    EXPECT_EQ(Hotkey::glyph("unknown.symbol"), "unknown.symbol");
}

TEST(Hotkey, Tables) {
    EXPECT_EQ(Hotkey::keySymbols().size(), 16);
    EXPECT_EQ(Hotkey::keySymbols().value(121), "arrow.down.to.line");
    EXPECT_EQ(Hotkey::functionKeyLabels().size(), 15);
    EXPECT_EQ(Hotkey::functionKeyLabels().value(122), "F1");
    EXPECT_EQ(Hotkey::functionKeyLabels().value(113), "F15");
    // Every symbol a key can be drawn with has a glyph.
    for (const QString& name : Hotkey::keySymbols())
        EXPECT_NE(Hotkey::glyph(name), name);
}

QJsonObject parse(const char* json) {
    return QJsonDocument::fromJson(json).object();
}

TEST(Hotkey, StoredForm) {
    const Hotkey h{123, 0x180000, QString::fromUtf8("←")};
    const QJsonObject o = h.toJson();
    EXPECT_EQ(o.keys(), (QStringList{"keyCode", "label", "modifiers"}));
    EXPECT_EQ(Hotkey::fromJson(o), h);

    EXPECT_EQ(Hotkey::fromJson(parse(R"({"keyCode": 8, "modifiers": 0, "label": "C", "extra": 1})")),
              (Hotkey{8, 0, "C"}));
    EXPECT_EQ(Hotkey::fromJson(parse(R"({"keyCode": 8, "modifiers": 0})")), std::nullopt);
    EXPECT_EQ(Hotkey::fromJson(parse(R"({"modifiers": 0, "label": "C"})")), std::nullopt);
    EXPECT_EQ(Hotkey::fromJson(parse(R"({"keyCode": 8, "label": "C"})")), std::nullopt);
    EXPECT_EQ(Hotkey::fromJson(parse(R"({"keyCode": "8", "modifiers": 0, "label": "C"})")), std::nullopt);
    EXPECT_EQ(Hotkey::fromJson(parse(R"({"keyCode": 8, "modifiers": 0, "label": 3})")), std::nullopt);
    EXPECT_EQ(Hotkey::fromJson(parse(R"({"keyCode": 65536, "modifiers": 0, "label": "C"})")), std::nullopt);
    EXPECT_EQ(Hotkey::fromJson(parse(R"({"keyCode": -1, "modifiers": 0, "label": "C"})")), std::nullopt);
    EXPECT_EQ(Hotkey::fromJson(parse(R"({"keyCode": 8.5, "modifiers": 0, "label": "C"})")), std::nullopt);
    EXPECT_EQ(Hotkey::fromJson(parse(R"({"keyCode": 8, "modifiers": -2, "label": "C"})")), std::nullopt);
    EXPECT_EQ(Hotkey::fromJson(parse(R"({"keyCode": 8, "modifiers": "-2", "label": "C"})")), std::nullopt);
    EXPECT_EQ(Hotkey::fromJson(parse(R"({"keyCode": 8, "modifiers": 1.5, "label": "C"})")), std::nullopt);
}

// The edges of what a stored hotkey may hold: key codes are 16 bits; a modifier set in a string is
// decimal digits only, nothing before them.
TEST(Hotkey, StoredValuesAtTheirEdges) {
    const struct {
        const char* json;
        std::optional<Hotkey> read;
    } cases[] = {
        {R"({"keyCode": 65535, "modifiers": 0, "label": "C"})", Hotkey{65535, 0, "C"}},
        {R"({"keyCode": 0, "modifiers": 0, "label": "C"})", Hotkey{0, 0, "C"}},
        {R"({"keyCode": 8, "modifiers": "1572864", "label": "C"})", Hotkey{8, 0x180000, "C"}},
        {R"({"keyCode": 8, "modifiers": " 1572864", "label": "C"})", std::nullopt},
        {R"({"keyCode": 8, "modifiers": "+1572864", "label": "C"})", std::nullopt},
        {R"({"keyCode": 8, "modifiers": "1572864 ", "label": "C"})", std::nullopt},
        {R"({"keyCode": 8, "modifiers": "", "label": "C"})", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        EXPECT_EQ(Hotkey::fromJson(parse(c.json)), c.read);
    }
}

TEST(Hotkey, ModifiersAreStoredExactlyInEveryBit) {
    for (const quint64 modifiers : {quint64(0x180000), (quint64(1) << 53) + 1, quint64(0x7FFFFFFFFFFFFFFF),
                                    quint64(0xFFFFFFFFFFFFFFFF), quint64(0x8000000000000001)}) {
        const QByteArray text =
            QJsonDocument(Hotkey{8, modifiers, "C"}.toJson()).toJson(QJsonDocument::Compact);
        EXPECT_EQ(Hotkey::fromJson(QJsonDocument::fromJson(text).object())->modifiers, modifiers)
            << text.constData();
        EXPECT_TRUE(QRegularExpression(R"("modifiers":("?)\d+\1})").match(text).hasMatch())
            << text.constData();
    }
    // What older versions wrote, as doubles.
    EXPECT_EQ(Hotkey::fromJson(parse(R"({"keyCode": 8, "modifiers": 1572864.0, "label": "C"})"))->modifiers,
              0x180000u);
    EXPECT_EQ(Hotkey::fromJson(parse(R"({"keyCode": 8, "modifiers": 1.8446744073709552e19, "label": "C"})")),
              std::nullopt);
}

} // namespace
