#pragma once

#include "KeyDef.h"

#include <QHash>
#include <QList>
#include <QPointF>
#include <QString>

namespace tilewick {

// The model of the physical keyboard that every drawn keyboard and the anchor rule share: five
// rows of keys, 0 (numbers, top) to 4 (bottom), in an ANSI and an ISO variant. Rows 0 to 3 are
// 14.5 units wide; row 4 is 11.5 wide and the arrow cluster, which has no KeyDef, fills the last
// 3 units.
//
// The tables are built once, on first use, and never change; they may be read from any thread.
class KeyboardMap {
public:
    using Row = QList<KeyDef>;
    using Rows = QList<Row>;
    // Key code -> centre (x from the keyboard's left edge, y the row index; 4.5 for the lower
    // half of row 4), in key units.
    using KeyCentres = QHash<quint16, QPointF>;

    // Width of the keyboard, and of each of the rows 0 to 3.
    static constexpr double kWidth = 14.5;
    static constexpr double kBottomRowWidth = 11.5;

    static constexpr quint16 kLeftArrow = 123;
    static constexpr quint16 kRightArrow = 124;
    static constexpr quint16 kDownArrow = 125;
    static constexpr quint16 kUpArrow = 126;

    // One plain key per pair of a character of `labels` and a code, up to the shorter of the two.
    static Row makeRow(const QString& labels, const QList<quint16>& codes);
    // The five rows of the ISO (true) or ANSI (false) layout, built afresh.
    static Rows rows(bool iso);
    static const Rows& isoRows();
    static const Rows& ansiRows();
    static const Rows& rowsFor(bool iso) { return iso ? isoRows() : ansiRows(); }

    // The centre of every key of the layout, arrow keys included, built afresh.
    static KeyCentres keyCentres(bool iso);
    static const KeyCentres& isoKeyCentres();
    static const KeyCentres& ansiKeyCentres();
    static const KeyCentres& keyCentresFor(bool iso) { return iso ? isoKeyCentres() : ansiKeyCentres(); }

    // Total width of a row, spacers included.
    static double width(const Row& row);
};

} // namespace tilewick
