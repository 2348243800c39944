#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <optional>

namespace platform::x11 {

// A reply or event of xcb, freed when it goes.
struct XcbFree {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using XcbReply = std::unique_ptr<T, XcbFree>;

// One property as read from the server.
struct Property {
    xcb_atom_t type = XCB_ATOM_NONE; // none: the window has no such property
    quint8 format = 0;
    QByteArray data;

    bool exists() const { return type != XCB_ATOM_NONE; }
    // The 32-bit values (CARDINAL, WINDOW, ATOM); empty for other formats.
    QList<quint32> values() const;
    std::optional<quint32> value() const;
    // A text property: UTF8_STRING as UTF-8, STRING as Latin-1; up to the first NUL.
    QString text() const;
    // The NUL-separated texts of a list property (WM_CLASS).
    QStringList texts() const;
};

// Whether request sequence `a` comes at or after `b`, across the wrap of 32 bits.
inline bool sequenceAtOrAfter(quint32 a, quint32 b) {
    return qint32(a - b) >= 0;
}

} // namespace platform::x11
