#include "X11Geometry.h"

#include <QUuid>

#include <algorithm>
#include <cmath>

namespace platform::x11 {

// --- Coordinate spaces ---

QRectF screenRect(const QRect& root, const QRect& primary) {
    const int primaryBottom = primary.y() + primary.height();
    return QRectF(root.x() - primary.x(), primaryBottom - (root.y() + root.height()), root.width(),
                  root.height());
}

QRect rootRect(const QRectF& screen, const QRect& primary) {
    const int primaryBottom = primary.y() + primary.height();
    const int left = int(std::lround(screen.x())) + primary.x();
    const int right = int(std::lround(screen.x() + screen.width())) + primary.x();
    const int top = primaryBottom - int(std::lround(screen.y() + screen.height()));
    const int bottom = primaryBottom - int(std::lround(screen.y()));
    return QRect(left, top, right - left, bottom - top);
}

QPointF topLeftPoint(const QPoint& root, const QPoint& primaryOrigin) {
    return QPointF(root - primaryOrigin);
}

QPoint rootPoint(const QPointF& topLeft, const QPoint& primaryOrigin) {
    return QPoint(int(std::lround(topLeft.x())), int(std::lround(topLeft.y()))) + primaryOrigin;
}

std::optional<QSize> pixelSize(const QSizeF& size) {
    const double w = size.width(), h = size.height();
    // X sizes are 16-bit.
    if (!std::isfinite(w) || !std::isfinite(h) || w < 0 || h < 0 || w > 32767 || h > 32767)
        return std::nullopt;
    return QSize(int(std::lround(w)), int(std::lround(h)));
}

// --- Frames ---

Extents Extents::fromCardinals(const QList<quint32>& v) {
    if (v.size() < 4)
        return {};
    // Garbage beyond a sane frame is treated as none.
    auto side = [](quint32 x) { return x > 10000 ? 0 : int(x); };
    return {side(v[0]), side(v[1]), side(v[2]), side(v[3])};
}

QSize outerGrowth(const Extents& d, const Extents& s) {
    return QSize(d.left + d.right - s.left - s.right, d.top + d.bottom - s.top - s.bottom);
}

QRect outerFrame(const QRect& client, const Extents& d, const Extents& s) {
    return QRect(client.topLeft() - QPoint(d.left - s.left, d.top - s.top),
                 client.size() + outerGrowth(d, s));
}

QRect clientFrame(const QRect& outer, const Extents& d, const Extents& s) {
    return QRect(outer.topLeft() + QPoint(d.left - s.left, d.top - s.top), outer.size() - outerGrowth(d, s));
}

Extents plausibleShadows(const Extents& s, const QSize& size) {
    if (s.left + s.right >= size.width() || s.top + s.bottom >= size.height())
        return {};
    return s;
}

QPoint configurePosition(const QPoint& client, const Extents& d, int gravity) {
    if (gravity == StaticGravity)
        return client;
    // The frame's top-left corner, then the reference point the gravity keeps in place.
    const QPoint frame = client - QPoint(d.left, d.top);
    const int column = (gravity - 1) % 3, row = (gravity - 1) / 3;
    if (gravity < NorthWestGravity || gravity > SouthEastGravity) // ForgetGravity and garbage
        return frame;
    const int horizontal = d.left + d.right, vertical = d.top + d.bottom;
    return frame + QPoint(column * horizontal / 2, row * vertical / 2);
}

// --- Size hints ---

namespace {
enum SizeHintFlag : quint32 {
    MinSizeFlag = 16,
    MaxSizeFlag = 32,
    ResizeIncFlag = 64,
    BaseSizeFlag = 256,
    WinGravityFlag = 512,
};

// One dimension of acceptedSize.
int accepted(int requested, int minimum, int maximum, int base, int increment) {
    // Each of minimum and base stands in for the other when missing.
    if (minimum <= 0)
        minimum = base;
    if (base <= 0)
        base = minimum;
    int v = std::max({requested, minimum, 1});
    if (maximum > 0)
        v = std::min(v, maximum);
    if (increment > 1 && v > base) {
        v = base + (v - base) / increment * increment;
        if (v < minimum)
            v += increment;
        if (maximum > 0 && v > maximum)
            v = maximum;
    }
    return v;
}
} // namespace

SizeHints SizeHints::fromCardinals(const QList<quint32>& v) {
    SizeHints h;
    if (v.size() < 11)
        return h;
    auto dim = [](quint32 x) { return x > 32767 ? 0 : int(x); };
    const quint32 flags = v[0];
    if (flags & MinSizeFlag)
        h.minimum = QSize(dim(v[5]), dim(v[6]));
    if (flags & MaxSizeFlag)
        h.maximum = QSize(dim(v[7]), dim(v[8]));
    if (flags & ResizeIncFlag)
        h.increment = QSize(dim(v[9]), dim(v[10]));
    if ((flags & BaseSizeFlag) && v.size() >= 17)
        h.base = QSize(dim(v[15]), dim(v[16]));
    if ((flags & WinGravityFlag) && v.size() >= 18 && v[17] >= NorthWestGravity && v[17] <= StaticGravity)
        h.gravity = int(v[17]);
    return h;
}

bool SizeHints::isFixedSize() const {
    return maximum.width() > 0 && maximum.height() > 0 && maximum == minimum;
}

QSize acceptedSize(const QSize& requested, const SizeHints& h) {
    return QSize(accepted(requested.width(), h.minimum.width(), h.maximum.width(), h.base.width(),
                          h.increment.width()),
                 accepted(requested.height(), h.minimum.height(), h.maximum.height(), h.base.height(),
                          h.increment.height()));
}

QPoint anchoredPosition(const QRect& asked, const QSize& size, const QList<QRect>& areas) {
    QPoint position = asked.topLeft();
    const auto area =
        std::find_if(areas.begin(), areas.end(), [&](const QRect& a) { return a.contains(asked.center()); });
    if (area == areas.end())
        return position;
    // Right and bottom as the first pixel past the rectangle.
    const auto farEdge = [](int start, int length) { return start + length; };
    if (farEdge(asked.x(), asked.width()) == farEdge(area->x(), area->width()) && asked.x() != area->x())
        position.rx() = farEdge(asked.x(), asked.width()) - size.width();
    if (farEdge(asked.y(), asked.height()) == farEdge(area->y(), area->height()) && asked.y() != area->y())
        position.ry() = farEdge(asked.y(), asked.height()) - size.height();
    return position;
}

std::optional<QRect> keptWithin(const QRect& asked, const QRect& got) {
    if (got.topLeft() == asked.topLeft())
        return std::nullopt;
    const QRect left = asked.intersected(got);
    if (left.width() * 2 < asked.width() || left.height() * 2 < asked.height())
        return std::nullopt;
    return left;
}

// --- Struts ---

std::optional<Strut> Strut::fromPartial(const QList<quint32>& v) {
    if (v.size() < 12)
        return std::nullopt;
    auto n = [&](int i) { return v[i] > 65535 ? 0 : int(v[i]); };
    return Strut{n(0), n(1), n(2), n(3), n(4), n(5), n(6), n(7), n(8), n(9), n(10), n(11)};
}

std::optional<Strut> Strut::fromFull(const QList<quint32>& v, const QSize& root) {
    if (v.size() < 4)
        return std::nullopt;
    auto n = [&](int i) { return v[i] > 65535 ? 0 : int(v[i]); };
    const int w = root.width() - 1, h = root.height() - 1;
    return Strut{n(0), n(1), n(2), n(3), 0, h, 0, h, 0, w, 0, w};
}

QRect visibleArea(const QRect& m, const QList<Strut>& struts, const QSize& root,
                  const std::optional<QRect>& workarea) {
    const int mx = m.x(), my = m.y(), mr = m.x() + m.width(), mb = m.y() + m.height();
    int l = mx, t = my, r = mr, b = mb;
    // Whether an inclusive band [start, end] along an edge meets [lo, hi).
    auto meets = [](int start, int end, int lo, int hi) { return start <= end && end >= lo && start < hi; };
    for (const Strut& s : struts) {
        if (s.left > 0 && s.left > mx && s.left < mr && meets(s.leftStartY, s.leftEndY, my, mb))
            l = std::max(l, s.left);
        const int rightEdge = root.width() - s.right;
        if (s.right > 0 && rightEdge < mr && rightEdge > mx && meets(s.rightStartY, s.rightEndY, my, mb))
            r = std::min(r, rightEdge);
        if (s.top > 0 && s.top > my && s.top < mb && meets(s.topStartX, s.topEndX, mx, mr))
            t = std::max(t, s.top);
        const int bottomEdge = root.height() - s.bottom;
        if (s.bottom > 0 && bottomEdge < mb && bottomEdge > my && meets(s.bottomStartX, s.bottomEndX, mx, mr))
            b = std::min(b, bottomEdge);
    }
    if (workarea && !workarea->isEmpty()) {
        // What the struts reserve at each edge of the root window explains that much of the work area.
        int left = 0, right = 0, top = 0, bottom = 0;
        for (const Strut& s : struts) {
            left = std::max(left, s.left);
            right = std::max(right, s.right);
            top = std::max(top, s.top);
            bottom = std::max(bottom, s.bottom);
        }
        const QRect& w = *workarea;
        const int wr = w.x() + w.width(), wb = w.y() + w.height();
        if (w.x() > left && mx < w.x() && w.x() < mr)
            l = std::max(l, w.x());
        if (root.width() - wr > right && wr < mr && wr > mx)
            r = std::min(r, wr);
        if (w.y() > top && my < w.y() && w.y() < mb)
            t = std::max(t, w.y());
        if (root.height() - wb > bottom && wb < mb && wb > my)
            b = std::min(b, wb);
    }
    return QRect(l, t, std::max(0, r - l), std::max(0, b - t));
}

// --- Display identity ---

QString edidName(const QByteArray& edid) {
    static const QByteArray header("\x00\xff\xff\xff\xff\xff\xff\x00", 8);
    if (edid.size() < 128 || !edid.startsWith(header))
        return {};
    for (int d = 54; d <= 108; d += 18) {
        if (edid[d] == 0 && edid[d + 1] == 0 && edid[d + 2] == 0 && quint8(edid[d + 3]) == 0xFC) {
            QByteArray text = edid.mid(d + 5, 13);
            const int end = text.indexOf('\n');
            if (end >= 0)
                text.truncate(end);
            return QString::fromLatin1(text).trimmed();
        }
    }
    return {};
}

namespace {
bool isEdid(const QByteArray& edid) {
    static const QByteArray header("\x00\xff\xff\xff\xff\xff\xff\x00", 8);
    return edid.size() >= 128 && edid.startsWith(header);
}
} // namespace

bool edidHasSerial(const QByteArray& edid) {
    if (!isEdid(edid))
        return false;
    if (edid.mid(12, 4) != QByteArray(4, '\0'))
        return true;
    for (int d = 54; d <= 108; d += 18)
        if (edid[d] == 0 && edid[d + 1] == 0 && edid[d + 2] == 0 && quint8(edid[d + 3]) == 0xFF)
            return true;
    return false;
}

QByteArray displayIdentityKey(const QByteArray& edid, const QString& monitorName) {
    if (!isEdid(edid))
        return "monitor:" + monitorName.toUtf8();
    if (edidHasSerial(edid))
        return edid;
    return edid + "@" + monitorName.toUtf8();
}

QString displayUuid(const QByteArray& key) {
    static const QUuid kNamespace(QStringLiteral("{6f1c7e52-3a9d-4b1e-9c55-2d8f0e7a41b3}"));
    return QUuid::createUuidV5(kNamespace, key).toString(QUuid::WithoutBraces).toUpper();
}

} // namespace platform::x11
