#pragma once

#include <QBrush>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <atomic>
#include <thread>

class QPainter;

namespace platform {

// The stroke weight a symbol is drawn at, like the weight of the text beside it.
enum class SymbolWeight { Light, Regular, Medium, Semibold, Bold };

// The named symbols the views draw ("command", "globe", "arrowtriangle.left.fill", ...): our own
// vector drawings, one table, each drawable at any size and in any brush.
//
// A symbol at size s occupies an s × s box, like a glyph of an s-point font; the drawing
// sits inside it with the margins a glyph has.
namespace Symbols {

// Every name in the table.
QStringList names();
bool contains(const QString& name);

// The symbol's filled outline in the s × s box with its top-left corner at the origin; empty
// for an unknown name. Fill it to draw the symbol.
QPainterPath path(const QString& name, qreal size, SymbolWeight weight = SymbolWeight::Regular);

// Builds the outline of every symbol at every weight on a thread of its own, so that the views'
// first pictures find them built (each takes a few path operations); path() builds one itself
// when it is asked first. The program makes one at start; it stops and waits for the thread when
// it goes.
class OutlinePreparation {
public:
    OutlinePreparation();
    ~OutlinePreparation();
    OutlinePreparation(const OutlinePreparation&) = delete;
    OutlinePreparation& operator=(const OutlinePreparation&) = delete;

private:
    std::atomic<bool> m_stop = false;
    std::thread m_builder;
};

// Draws the symbol centred on `centre`.
void paint(QPainter& painter, const QString& name, QPointF centre, qreal size, const QBrush& brush,
           SymbolWeight weight = SymbolWeight::Regular);

} // namespace Symbols

} // namespace platform
