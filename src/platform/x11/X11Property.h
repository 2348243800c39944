#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <xcb/xcb.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <optional>

namespace platform::x11 {

// A reply or event of xcb, freed when it goes.
struct XcbFree {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using XcbReply = std::unique_ptr<T, XcbFree>;

// The atoms of `names`, asked for together in one round trip; XCB_ATOM_NONE where the server did
// not answer.
template <std::size_t N>
std::array<xcb_atom_t, N> internAtoms(xcb_connection_t* c, const std::array<QByteArray, N>& names) {
    std::array<xcb_intern_atom_cookie_t, N> cookies;
    for (std::size_t i = 0; i < N; ++i)
        cookies[i] = xcb_intern_atom(c, 0, uint16_t(names[i].size()), names[i].constData());
    std::array<xcb_atom_t, N> atoms;
    for (std::size_t i = 0; i < N; ++i) {
        XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookies[i], nullptr));
        atoms[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    return atoms;
}

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
