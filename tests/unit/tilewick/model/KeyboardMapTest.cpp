#include "tilewick/model/KeyboardMap.h"

#include <gtest/gtest.h>

#include <QSet>

using namespace tilewick;

namespace {

QStringList ids(const KeyboardMap::Row& row) {
    QStringList out;
    for (const KeyDef& key : row)
        out << key.id();
    return out;
}

QPointF centre(bool iso, quint16 code) {
    const auto& centres = KeyboardMap::keyCentresFor(iso);
    EXPECT_TRUE(centres.contains(code)) << "no centre for " << code;
    return centres.value(code);
}

TEST(KeyboardMap, RowWidths) {
    for (bool iso : {false, true}) {
        const auto& rows = KeyboardMap::rowsFor(iso);
        ASSERT_EQ(rows.size(), 5);
        for (int r = 0; r < 4; ++r)
            EXPECT_DOUBLE_EQ(KeyboardMap::width(rows[r]), KeyboardMap::kWidth)
                << "iso " << iso << " row " << r;
        // The arrow cluster fills the last 3 units of the bottom row.
        EXPECT_DOUBLE_EQ(KeyboardMap::width(rows[4]), KeyboardMap::kBottomRowWidth);
        EXPECT_DOUBLE_EQ(KeyboardMap::kBottomRowWidth + 3.0, KeyboardMap::kWidth);
    }
}

TEST(KeyboardMap, RowsInOrder) {
    const auto& ansi = KeyboardMap::ansiRows();
    EXPECT_EQ(ids(ansi[0]), QStringList({"50", "18", "19", "20", "21", "23", "22", "26", "28", "25", "29",
                                         "27", "24", "51"}));
    EXPECT_EQ(ids(ansi[1]), QStringList({"48", "12", "13", "14", "15", "17", "16", "32", "34", "31", "35",
                                         "33", "30", "42"}));
    EXPECT_EQ(ids(ansi[2]),
              QStringList({"57", "0", "1", "2", "3", "5", "4", "38", "40", "37", "41", "39", "36"}));
    EXPECT_EQ(ids(ansi[3]),
              QStringList({"56", "6", "7", "8", "9", "11", "45", "46", "43", "47", "44", "60"}));
    EXPECT_EQ(ids(ansi[4]), QStringList({"63", "59", "58", "55", "49", "54", "61"}));

    const auto& iso = KeyboardMap::isoRows();
    EXPECT_EQ(ids(iso[0]).first(), "10");
    EXPECT_EQ(iso[0].first().label, QString(QChar(0x00A7)));
    EXPECT_EQ(ids(iso[1]).last(), "36");
    EXPECT_EQ(ids(iso[2]).mid(11), QStringList({"39", "42", "return-space"}));
    EXPECT_EQ(ids(iso[3]).mid(0, 3), QStringList({"56", "50", "6"}));
    EXPECT_EQ(iso[4], ansi[4]);

    // Labels, widths and symbols of the special keys.
    EXPECT_EQ(ansi[0].first().label, "`");
    EXPECT_EQ(ansi[1].last().label, "\\");
    EXPECT_EQ(ansi[2].last(), (KeyDef{.code = 36, .label = "return", .width = 1.75}));
    EXPECT_EQ(iso[1].last(), (KeyDef{.code = 36, .label = "return", .width = 1.0, .isoReturn = true}));
    EXPECT_EQ(iso[2].last(), (KeyDef{.label = "return-space", .width = 0.75, .spacer = true}));
    EXPECT_EQ(iso[3].first(), (KeyDef{.code = 56, .label = "shift", .width = 1.25, .symbol = "shift"}));
    EXPECT_EQ(ansi[3].first().width, 2.25);
    EXPECT_EQ(ansi[4][0], (KeyDef{.code = 63, .label = "fn", .width = 1.0, .symbol = "globe"}));
    EXPECT_EQ(ansi[4][4], (KeyDef{.code = 49, .label = "", .width = 5.0}));
    EXPECT_EQ(ansi[4][4].id(), "49");
    EXPECT_EQ(ansi[4][5], (KeyDef{.code = 54, .label = "command", .width = 1.25, .symbol = "command"}));
    EXPECT_EQ(ansi[1][1], (KeyDef{.code = 12, .label = "Q"}));
}

TEST(KeyboardMap, IdentitiesAreUnique) {
    for (bool iso : {false, true}) {
        QSet<QString> seen;
        for (const auto& row : KeyboardMap::rowsFor(iso))
            for (const KeyDef& key : row) {
                EXPECT_FALSE(seen.contains(key.id())) << "duplicate " << key.id().toStdString();
                seen.insert(key.id());
            }
    }
}

TEST(KeyboardMap, MakeRowStopsAtTheShorterInput) {
    EXPECT_EQ(KeyboardMap::makeRow("ABC", {0, 11}).size(), 2);
    const auto row = KeyboardMap::makeRow("AB", {0, 11, 8});
    ASSERT_EQ(row.size(), 2);
    EXPECT_EQ(row[1], (KeyDef{.code = 11, .label = "B"}));
    EXPECT_TRUE(KeyboardMap::makeRow("", {1, 2}).isEmpty());
}

TEST(KeyboardMap, KeyCentres) {
    struct Expect {
        quint16 code;
        QPointF ansi;
        QPointF iso;
    };
    const Expect table[] = {
        {50, {0.5, 0}, {1.75, 3}},       {51, {13.75, 0}, {13.75, 0}}, {42, {14.0, 1}, {13.25, 2}},
        {36, {13.625, 2}, {14.0, 1}},    {56, {1.125, 3}, {0.625, 3}}, {60, {13.375, 3}, {13.375, 3}},
        {12, {2.0, 1}, {2.0, 1}},        {0, {2.25, 2}, {2.25, 2}},    {6, {2.75, 3}, {2.75, 3}},
        {49, {6.75, 4}, {6.75, 4}},      {123, {12.0, 4}, {12.0, 4}},  {126, {13.0, 4}, {13.0, 4}},
        {125, {13.0, 4.5}, {13.0, 4.5}}, {124, {14.0, 4}, {14.0, 4}},
    };
    for (const auto& e : table) {
        EXPECT_EQ(centre(false, e.code), e.ansi) << e.code;
        EXPECT_EQ(centre(true, e.code), e.iso) << e.code;
    }
    EXPECT_EQ(centre(true, 10), QPointF(0.5, 0));
    EXPECT_FALSE(KeyboardMap::ansiKeyCentres().contains(10));

    // Every coded key has a centre, plus the four arrows that have no KeyDef.
    EXPECT_EQ(KeyboardMap::ansiKeyCentres().size(), 14 + 14 + 13 + 12 + 7 + 4);
    EXPECT_EQ(KeyboardMap::isoKeyCentres().size(), 14 + 14 + 13 + 13 + 7 + 4);
    EXPECT_EQ(KeyboardMap::keyCentres(true), KeyboardMap::isoKeyCentres());
}

} // namespace
