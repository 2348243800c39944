#pragma once

#include "X11Geometry.h"
#include "X11Property.h"

#include <QHash>
#include <QList>
#include <QRect>
#include <QSet>
#include <QString>

#include <xcb/xcb.h>

#include <optional>
#include <vector>

namespace platform::x11 {

// What a move needs of a client window, as the window manager and the client last said it.
struct WindowState {
    QRect client;         // the client window, root coordinates
    Extents decorations;  // the window manager's frame (_NET_FRAME_EXTENTS)
    Extents shadows;      // invisible margins of client-side decorations (_GTK_FRAME_EXTENTS), if believable
    QList<quint32> state; // _NET_WM_STATE
    SizeHints hints;      // WM_NORMAL_HINTS
    // The sequence of the last ConfigureNotify the server sent about the client and, when it has a
    // frame, about that frame too (the older of the two): a request before it has been carried
    // out, as far as the window manager did. None before either came.
    std::optional<quint32> configured;

    QRect outer() const { return outerFrame(client, decorations, shadows); }
    bool has(xcb_atom_t atom) const { return state.contains(atom); }
};

// The state of client windows, kept current from their events, so that a question about a window
// needs no round trip while it changes the way events tell.
//
// A client's place on the root window is the sum of its own and its ancestors' positions within
// their parents (the window manager's frames), each kept from the window's ConfigureNotify,
// ReparentNotify and GravityNotify, whoever caused them; the ancestors are watched for that. Its
// properties are marked stale by PropertyNotify and read again; the title only when asked for, the
// rest as soon as the owner of the states makes the reads it wants (the connection does so on each
// turn of the main thread, without waiting for the answers).
//
// Answers and events cross: an answer tells the state when the server handled the request, an
// event the state when the server made it (it carries the sequence of the last request handled
// before it). So an answer to a request at or before the sequence of an event that touched the same
// thing is older than that event and is not taken; what that event made stale stays stale.
//
// No connection of its own: the owner applies events, makes the reads and hands in the answers.
// Not thread-safe.
class X11WindowStates {
public:
    struct Atoms {
        xcb_atom_t frameExtents = XCB_ATOM_NONE;    // _NET_FRAME_EXTENTS
        xcb_atom_t gtkFrameExtents = XCB_ATOM_NONE; // _GTK_FRAME_EXTENTS
        xcb_atom_t state = XCB_ATOM_NONE;           // _NET_WM_STATE
        xcb_atom_t name = XCB_ATOM_NONE;            // _NET_WM_NAME
    };
    // A window's place and size within its parent, as GetGeometry and ConfigureNotify give them.
    struct Geometry {
        qint16 x = 0, y = 0;
        quint16 width = 0, height = 0, border = 0;
        friend bool operator==(const Geometry&, const Geometry&) = default;
    };
    // A request the states need: to watch an ancestor's structure (StructureNotify; no answer), or
    // to read a window's parent (QueryTree), its geometry (GetGeometry) or a client's property.
    struct Read {
        enum Kind : quint8 { Watch, Parent, Geometry, Property };
        Kind kind = Watch;
        xcb_window_t window = XCB_WINDOW_NONE;
        xcb_atom_t atom = XCB_ATOM_NONE;
        friend bool operator==(const Read&, const Read&) = default;
    };

    X11WindowStates(xcb_window_t root, Atoms atoms);

    // Starts keeping a client window, whose structure and property events already come (so the
    // reads it wants see every change that follows). Everything of it is unknown until read.
    void track(xcb_window_t client);
    // Stops keeping it, and the ancestors no other client needs.
    void forget(xcb_window_t client);
    bool tracks(xcb_window_t client) const;

    // Brings what is kept up to date with one event: takes what the event tells, or marks stale
    // what it only says has changed.
    void apply(const xcb_generic_event_t* event);

    // The requests that would bring every client up to date (with its title when `titles`), in
    // the order to make them, without those already under way. Only `client` when not none.
    // Without titles it looks only at the clients an event or a read left short of current, so
    // asking after every event costs nothing for the clients it did not touch.
    std::vector<Read> wanted(bool titles, xcb_window_t client = XCB_WINDOW_NONE);
    // A request was made with this sequence: not wanted again until answered.
    void sent(const Read& read, quint32 sequence);
    // Answers; none when the window was gone.
    void parentRead(xcb_window_t window, quint32 sequence, std::optional<xcb_window_t> parent);
    void geometryRead(xcb_window_t window, quint32 sequence, std::optional<Geometry> geometry);
    void propertyRead(xcb_window_t window, xcb_atom_t atom, quint32 sequence, std::optional<Property> value);

    // The client's state; none while any part of it is stale or unread, or the window is gone.
    std::optional<WindowState> state(xcb_window_t client) const;
    // Its title (_NET_WM_NAME, else WM_NAME); none while either is stale or unread.
    std::optional<QString> title(xcb_window_t client) const;
    // Whether the client's window was destroyed or a read found it gone.
    bool isGone(xcb_window_t client) const;

private:
    // One thing kept of a window: whether it is current, the sequence of the last event that touched
    // it, and the sequence of the read under way.
    struct Item {
        bool current = false;
        std::optional<quint32> touched;
        std::optional<quint32> asked;

        // An event with this sequence told the new value (`told`) or only that it changed.
        void event(quint32 sequence, bool told);
        // Whether an answer to the read under way is newer than every event; ends the read.
        bool takeAnswer(quint32 sequence);
        bool wanted() const { return !current && !asked; }
    };
    struct Window {
        bool client = false;
        bool watched = false;
        bool gone = false;
        Item parentItem;
        xcb_window_t parent = XCB_WINDOW_NONE;
        Item geometryItem;
        Geometry geometry;
        // Clients only.
        QHash<xcb_atom_t, Item> items;
        QHash<xcb_atom_t, Property> properties;
    };

    std::optional<WindowState> computeState(xcb_window_t client) const;
    bool isTitle(xcb_atom_t atom) const;
    void wantWindow(xcb_window_t client, bool titles, std::vector<Read>& out, QList<xcb_window_t>& visited);
    // The window's origin (inside its border) on the root window; none when a link is not current.
    std::optional<QPoint> origin(xcb_window_t window) const;
    // Ancestors no client reaches any more.
    void dropUnreachable();
    // Windows whose parent was `gone` read their parent again.
    void orphan(xcb_window_t gone, quint32 sequence);
    // The clients whose chain of parents passes `window` want reads.
    void unsettleClientsUnder(xcb_window_t window);
    // Whether nothing of the client but its title waits for a read.
    bool isSettled(xcb_window_t client) const;

    xcb_window_t m_root;
    Atoms m_atoms;
    QList<xcb_atom_t> m_tracked; // the client properties kept, the titles last
    QHash<xcb_window_t, Window> m_windows;
    // Clients that may want reads (every other is current but for its title).
    QSet<xcb_window_t> m_unsettled;
    // The last state given, until anything kept changes: a hotkey asks for one window's state
    // several times in a row.
    mutable std::optional<std::pair<xcb_window_t, WindowState>> m_lastState;
};

} // namespace platform::x11
