#include "Symbols.h"

#include "RoundedRect.h"

#include <QPainter>
#include <QPainterPathStroker>

#include <cmath>
#include <functional>
#include <map>
#include <mutex>
#include <utility>

namespace platform {

namespace {

// Symbols are designed on a 24 × 24 grid and scaled to the size asked for.
constexpr qreal kGrid = 24;

qreal strokeWidth(SymbolWeight weight) {
    switch (weight) {
    case SymbolWeight::Light:
        return 1.3;
    case SymbolWeight::Regular:
        return 1.65;
    case SymbolWeight::Medium:
        return 1.85;
    case SymbolWeight::Semibold:
        return 2.05;
    case SymbolWeight::Bold:
        return 2.3;
    }
    return 1.65;
}

// Collects one symbol: lines drawn with the weight's pen, filled areas, and holes cut out.
class Sketch {
public:
    explicit Sketch(qreal width) : m_width(width) {}

    qreal width() const { return m_width; }

    // A polyline through `points`; closed when asked.
    Sketch& line(std::initializer_list<QPointF> points, bool closed = false) {
        QPainterPath p;
        auto it = points.begin();
        p.moveTo(*it);
        for (++it; it != points.end(); ++it)
            p.lineTo(*it);
        if (closed)
            p.closeSubpath();
        return stroke(p);
    }
    Sketch& circle(QPointF centre, qreal radius) {
        QPainterPath p;
        p.addEllipse(centre, radius, radius);
        return stroke(p);
    }
    // An arc of the circle around `centre`, angles in degrees counter-clockwise from 3 o'clock.
    Sketch& arc(QPointF centre, qreal radius, qreal start, qreal sweep) {
        const QRectF box(centre - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius));
        QPainterPath p;
        p.arcMoveTo(box, start);
        p.arcTo(box, start, sweep);
        return stroke(p);
    }
    Sketch& stroke(const QPainterPath& p, qreal widthFactor = 1.0) {
        QPainterPathStroker stroker;
        stroker.setWidth(m_width * widthFactor);
        stroker.setCapStyle(Qt::RoundCap);
        stroker.setJoinStyle(Qt::RoundJoin);
        add(stroker.createStroke(p));
        return *this;
    }
    Sketch& dashed(const QPainterPath& p, const QList<qreal>& pattern) {
        QPainterPathStroker stroker;
        stroker.setWidth(m_width);
        stroker.setCapStyle(Qt::RoundCap);
        stroker.setDashPattern(pattern);
        add(stroker.createStroke(p));
        return *this;
    }
    Sketch& fill(const QPainterPath& p) {
        add(p);
        return *this;
    }
    Sketch& dot(QPointF centre, qreal radius) {
        QPainterPath p;
        p.addEllipse(centre, radius, radius);
        return fill(p);
    }
    // A shape filled and outlined with the pen, so its corners round off with the weight.
    Sketch& solid(std::initializer_list<QPointF> points) {
        QPainterPath p;
        p.addPolygon(QPolygonF(QList<QPointF>(points)));
        p.closeSubpath();
        fill(p);
        return stroke(p);
    }
    Sketch& cut(const QPainterPath& p) {
        m_path = m_path.subtracted(p);
        return *this;
    }
    QPainterPath result() const { return m_path; }

private:
    void add(const QPainterPath& p) {
        QPainterPath filled = p;
        filled.setFillRule(Qt::WindingFill);
        m_path = m_path.united(filled);
    }

    qreal m_width;
    QPainterPath m_path;
};

// An exclamation mark standing on `base`, `height` tall.
void exclamation(Sketch& s, QPointF base, qreal height) {
    s.line({base - QPointF(0, height), base - QPointF(0, height * 0.42)});
    s.dot(base, s.width() * 0.62);
}

void questionMark(Sketch& s, QPointF centre, qreal scale) {
    auto at = [&](qreal x, qreal y) { return centre + QPointF(x, y) * scale; };
    QPainterPath hook;
    hook.moveTo(at(-4, -3.5));
    hook.cubicTo(at(-4, -6.5), at(-2, -8), at(0, -8));
    hook.cubicTo(at(2.5, -8), at(4, -6.3), at(4, -4.2));
    hook.cubicTo(at(4, -1.5), at(0, -1), at(0, 2.2));
    s.stroke(hook);
    s.dot(at(0, 6.5), s.width() * 0.62);
}

QPainterPath arrowTriangle(qreal degrees) {
    // Pointing up, rounded off by the pen; turned about the centre of the grid.
    QPainterPath p;
    p.addPolygon(QPolygonF({{12, 4.5}, {20.5, 19}, {3.5, 19}}));
    p.closeSubpath();
    QTransform turn;
    turn.translate(12, 12);
    turn.rotate(degrees);
    turn.translate(-12, -12);
    return turn.map(p);
}

using Drawing = std::function<void(Sketch&)>;

const std::map<QString, Drawing>& table() {
    static const std::map<QString, Drawing> drawings = [] {
        std::map<QString, Drawing> t;
        auto triangle = [](qreal degrees) {
            return [degrees](Sketch& s) {
                const QPainterPath p = arrowTriangle(degrees);
                s.fill(p).stroke(p);
            };
        };
        t["arrowtriangle.up.fill"] = triangle(0);
        t["arrowtriangle.right.fill"] = triangle(90);
        t["arrowtriangle.down.fill"] = triangle(180);
        t["arrowtriangle.left.fill"] = triangle(270);

        // Modifier keys.
        t["control"] = [](Sketch& s) { s.line({{6, 14.5}, {12, 8.5}, {18, 14.5}}); };
        t["option"] = [](Sketch& s) {
            s.line({{3, 7}, {8.5, 7}, {15.5, 17}, {21, 17}});
            s.line({{14, 7}, {21, 7}});
        };
        t["shift"] = [](Sketch& s) {
            s.line({{12, 3.5}, {21, 12.5}, {16, 12.5}, {16, 20}, {8, 20}, {8, 12.5}, {3, 12.5}}, true);
        };
        t["command"] = [](Sketch& s) {
            s.line({{9, 6}, {9, 18}}).line({{15, 6}, {15, 18}});
            s.line({{6, 9}, {18, 9}}).line({{6, 15}, {18, 15}});
            s.arc({6, 6}, 3, 0, 270).arc({18, 6}, 3, 180, -270);
            s.arc({6, 18}, 3, 0, -270).arc({18, 18}, 3, 180, 270);
        };
        t["globe"] = [](Sketch& s) {
            s.circle({12, 12}, 9.5);
            QPainterPath meridian;
            meridian.addEllipse(QRectF(7.6, 2.5, 8.8, 19));
            s.stroke(meridian);
            s.line({{12, 2.5}, {12, 21.5}}).line({{2.5, 12}, {21.5, 12}});
            QPainterPath latitudes;
            latitudes.moveTo(4.3, 6.8);
            latitudes.quadTo(12, 9.6, 19.7, 6.8);
            latitudes.moveTo(4.3, 17.2);
            latitudes.quadTo(12, 14.4, 19.7, 17.2);
            s.stroke(latitudes);
        };

        // Keys drawn as symbols.
        t["return"] = [](Sketch& s) {
            QPainterPath p;
            p.moveTo(19, 5);
            p.lineTo(19, 11);
            p.quadTo(19, 15, 15, 15);
            p.lineTo(5, 15);
            s.stroke(p).line({{9.5, 10.5}, {5, 15}, {9.5, 19.5}});
        };
        t["arrow.right.to.line"] = [](Sketch& s) {
            s.line({{3, 12}, {16.5, 12}})
                .line({{11.5, 7}, {16.5, 12}, {11.5, 17}})
                .line({{20.5, 5}, {20.5, 19}});
        };
        t["space"] = [](Sketch& s) { s.line({{3.5, 12.5}, {3.5, 17}, {20.5, 17}, {20.5, 12.5}}); };
        t["delete.left"] = [](Sketch& s) {
            s.line({{8, 5}, {21, 5}, {21, 19}, {8, 19}, {2, 12}}, true);
            s.line({{11, 9}, {17, 15}}).line({{17, 9}, {11, 15}});
        };
        t["delete.right"] = [](Sketch& s) {
            s.line({{16, 5}, {3, 5}, {3, 19}, {16, 19}, {22, 12}}, true);
            s.line({{7, 9}, {13, 15}}).line({{13, 9}, {7, 15}});
        };
        t["escape"] = [](Sketch& s) {
            s.arc({13, 13}, 8, 160, -290);
            s.line({{11.5, 11.5}, {4, 4}}).line({{4, 10}, {4, 4}, {10, 4}});
        };
        t["arrow.up.left"] = [](Sketch& s) {
            s.line({{19, 19}, {5.5, 5.5}}).line({{5.5, 15}, {5.5, 5.5}, {15, 5.5}});
        };
        t["arrow.down.right"] = [](Sketch& s) {
            s.line({{5, 5}, {18.5, 18.5}}).line({{18.5, 9}, {18.5, 18.5}, {9, 18.5}});
        };
        t["arrow.up.to.line"] = [](Sketch& s) {
            s.line({{5, 3.5}, {19, 3.5}})
                .line({{12, 21}, {12, 8.5}})
                .line({{7, 13.5}, {12, 8.5}, {17, 13.5}});
        };
        t["arrow.down.to.line"] = [](Sketch& s) {
            s.line({{5, 20.5}, {19, 20.5}})
                .line({{12, 3}, {12, 15.5}})
                .line({{7, 10.5}, {12, 15.5}, {17, 10.5}});
        };

        // Status and actions.
        t["exclamationmark.triangle"] = [](Sketch& s) {
            s.line({{12, 3}, {22, 20.5}, {2, 20.5}}, true);
            exclamation(s, {12, 17.2}, 8);
        };
        t["exclamationmark.octagon"] = [](Sketch& s) {
            QPolygonF octagon;
            for (int i = 0; i < 8; ++i) {
                const qreal angle = (22.5 + 45 * i) * M_PI / 180;
                octagon << QPointF(12 + 9.8 * std::cos(angle), 12 + 9.8 * std::sin(angle));
            }
            QPainterPath p;
            p.addPolygon(octagon);
            p.closeSubpath();
            s.stroke(p);
            exclamation(s, {12, 16.5}, 9);
        };
        t["exclamationmark.bubble"] = [](Sketch& s) {
            QPainterPath p;
            p.moveTo(7, 17);
            p.lineTo(6, 21);
            p.lineTo(11, 17);
            p.lineTo(18, 17);
            p.quadTo(21, 17, 21, 14);
            p.lineTo(21, 6.5);
            p.quadTo(21, 3.5, 18, 3.5);
            p.lineTo(6, 3.5);
            p.quadTo(3, 3.5, 3, 6.5);
            p.lineTo(3, 14);
            p.quadTo(3, 17, 6, 17);
            p.closeSubpath();
            s.stroke(p);
            exclamation(s, {12, 13.5}, 7);
        };
        t["info.circle"] = [](Sketch& s) {
            s.circle({12, 12}, 9.5);
            s.dot({12, 7.3}, s.width() * 0.7);
            s.line({{10.3, 10.8}, {12, 10.8}, {12, 16.8}}).line({{9.8, 16.8}, {14.2, 16.8}});
        };
        t["checkmark.circle"] = [](Sketch& s) {
            s.circle({12, 12}, 9.5);
            s.line({{7.5, 12.3}, {10.6, 15.5}, {16.5, 8.5}});
        };
        t["questionmark"] = [](Sketch& s) { questionMark(s, {12, 12.5}, 1.0); };
        t["questionmark.circle"] = [](Sketch& s) {
            s.circle({12, 12}, 9.5);
            questionMark(s, {12, 12.6}, 0.62);
        };
        t["xmark.circle.fill"] = [](Sketch& s) {
            QPainterPath disc;
            disc.addEllipse(QPointF(12, 12), 10, 10);
            s.fill(disc);
            Sketch cross(s.width());
            cross.line({{8.5, 8.5}, {15.5, 15.5}}).line({{15.5, 8.5}, {8.5, 15.5}});
            s.cut(cross.result());
        };
        t["chevron.up"] = [](Sketch& s) { s.line({{4.5, 16}, {12, 8.5}, {19.5, 16}}); };
        t["chevron.down"] = [](Sketch& s) { s.line({{4.5, 8}, {12, 15.5}, {19.5, 8}}); };
        t["arrow.counterclockwise"] = [](Sketch& s) {
            s.arc({12, 13}, 8, 100, -300);
            s.line({{13.8, 2.2}, {10.6, 5.1}, {13.8, 8}});
        };
        t["arrow.clockwise"] = [](Sketch& s) {
            s.arc({12, 13}, 8, 80, 300);
            s.line({{10.2, 2.2}, {13.4, 5.1}, {10.2, 8}});
        };
        t["square.and.pencil"] = [](Sketch& s) {
            s.line({{12, 4.5},
                    {6.5, 4.5},
                    {3.5, 7.5},
                    {3.5, 17.5},
                    {6.5, 20.5},
                    {16.5, 20.5},
                    {19.5, 17.5},
                    {19.5, 12}});
            s.line({{11, 13.5}, {20, 4.5}});
            s.solid({{9.2, 15.3}, {9.9, 12.9}, {11.6, 14.6}});
        };
        t["pencil"] = [](Sketch& s) {
            s.line({{4, 20}, {5, 15}, {16, 4}, {20, 8}, {9, 19}}, true);
            s.line({{13.5, 6.5}, {17.5, 10.5}});
        };
        t["trash"] = [](Sketch& s) {
            s.line({{3.5, 6}, {20.5, 6}}).line({{9, 6}, {9, 3.5}, {15, 3.5}, {15, 6}});
            s.line({{5.8, 6}, {7, 20.5}, {17, 20.5}, {18.2, 6}});
            s.line({{10, 10}, {10, 16.5}}).line({{14, 10}, {14, 16.5}});
        };
        t["magnifyingglass"] = [](Sketch& s) { s.circle({10, 10}, 6.5).line({{14.8, 14.8}, {20.5, 20.5}}); };
        t["keyboard"] = [](Sketch& s) {
            s.stroke(RoundedRect{QRectF(2, 5.5, 20, 13), 2.5}.path());
            for (int row = 0; row < 2; ++row)
                for (int col = 0; col < 6; ++col)
                    s.dot({5.5 + col * 2.6, 9.2 + row * 2.8}, 0.8);
            s.line({{8.5, 15}, {15.5, 15}});
        };
        t["gearshape.fill"] = [](Sketch& s) {
            QPainterPath gear;
            gear.addEllipse(QPointF(12, 12), 7.6, 7.6);
            for (int i = 0; i < 8; ++i) {
                QPainterPath tooth;
                tooth.addRoundedRect(QRectF(10.1, 1.6, 3.8, 5), 1, 1);
                QTransform turn;
                turn.translate(12, 12);
                turn.rotate(45 * i);
                turn.translate(-12, -12);
                gear = gear.united(turn.map(tooth));
            }
            s.fill(gear);
            QPainterPath hole;
            hole.addEllipse(QPointF(12, 12), 3.2, 3.2);
            s.cut(hole);
        };
        t["app.dashed"] = [](Sketch& s) {
            s.dashed(RoundedRect{QRectF(3, 3, 18, 18), 5}.path(), {1.4, 1.8});
        };
        t["rectangle.split.2x1"] = [](Sketch& s) {
            s.stroke(RoundedRect{QRectF(2, 5, 20, 14), 3}.path()).line({{12, 5}, {12, 19}});
        };
        t["wifi"] = [](Sketch& s) {
            s.dot({12, 18.5}, 1.9);
            s.arc({12, 18.5}, 5.8, 45, 90).arc({12, 18.5}, 10.2, 45, 90).arc({12, 18.5}, 14.6, 47, 86);
        };
        t["lightbulb"] = [](Sketch& s) {
            QPainterPath bulb;
            bulb.moveTo(9.5, 16);
            bulb.cubicTo(9.5, 13.5, 5.5, 12, 5.5, 8.8);
            bulb.cubicTo(5.5, 5.2, 8.4, 2.5, 12, 2.5);
            bulb.cubicTo(15.6, 2.5, 18.5, 5.2, 18.5, 8.8);
            bulb.cubicTo(18.5, 12, 14.5, 13.5, 14.5, 16);
            bulb.closeSubpath();
            s.stroke(bulb).line({{9.5, 18.7}, {14.5, 18.7}}).line({{10.5, 21.3}, {13.5, 21.3}});
        };
        t["heart"] = [](Sketch& s) {
            QPainterPath p;
            p.moveTo(12, 20.5);
            p.cubicTo(4, 15, 2.2, 11.2, 2.2, 8.4);
            p.cubicTo(2.2, 5.4, 4.5, 3.5, 7, 3.5);
            p.cubicTo(9.2, 3.5, 11, 4.9, 12, 6.6);
            p.cubicTo(13, 4.9, 14.8, 3.5, 17, 3.5);
            p.cubicTo(19.5, 3.5, 21.8, 5.4, 21.8, 8.4);
            p.cubicTo(21.8, 11.2, 20, 15, 12, 20.5);
            p.closeSubpath();
            s.stroke(p);
        };
        return t;
    }();
    return drawings;
}

// The outline of a name at a weight on the grid; empty for an unknown name.
QPainterPath buildOutline(const QString& name, SymbolWeight weight) {
    const auto drawing = table().find(name);
    if (drawing == table().end())
        return {};
    Sketch sketch(strokeWidth(weight));
    drawing->second(sketch);
    return sketch.result().simplified();
}

// Outlines are built once per name and weight, by whichever thread asks first, and kept for the
// process.
struct Outlines {
    std::mutex mutex;
    std::map<std::pair<QString, SymbolWeight>, QPainterPath> built;
};

Outlines& outlines() {
    static Outlines kept;
    return kept;
}

QPainterPath outline(const QString& name, SymbolWeight weight) {
    Outlines& kept = outlines();
    const auto key = std::make_pair(name, weight);
    {
        const std::lock_guard lock(kept.mutex);
        if (const auto found = kept.built.find(key); found != kept.built.end())
            return found->second;
    }
    // Built outside the lock; the same drawing gives the same outline on any thread.
    QPainterPath made = buildOutline(name, weight);
    const std::lock_guard lock(kept.mutex);
    return kept.built.emplace(key, std::move(made)).first->second;
}

} // namespace

namespace Symbols {

QStringList names() {
    QStringList list;
    for (const auto& [name, drawing] : table())
        list << name;
    return list;
}

bool contains(const QString& name) {
    return table().count(name) != 0;
}

QPainterPath path(const QString& name, qreal size, SymbolWeight weight) {
    return QTransform::fromScale(size / kGrid, size / kGrid).map(outline(name, weight));
}

OutlinePreparation::OutlinePreparation()
    : m_builder([stop = &m_stop] {
          // The weights the views use most first.
          for (SymbolWeight weight : {SymbolWeight::Medium, SymbolWeight::Semibold, SymbolWeight::Bold,
                                      SymbolWeight::Regular, SymbolWeight::Light})
              for (const auto& entry : table()) {
                  if (*stop)
                      return;
                  outline(entry.first, weight);
              }
      }) {}

OutlinePreparation::~OutlinePreparation() {
    m_stop = true;
    m_builder.join();
}

void paint(QPainter& painter, const QString& name, QPointF centre, qreal size, const QBrush& brush,
           SymbolWeight weight) {
    const QPainterPath outline = path(name, size, weight).translated(centre - QPointF(size, size) / 2);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(outline, brush);
    painter.restore();
}

} // namespace Symbols

} // namespace platform
