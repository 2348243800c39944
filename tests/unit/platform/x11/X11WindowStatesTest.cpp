#include "platform/x11/X11WindowStates.h"

#include <gtest/gtest.h>

#include <cstring>

namespace platform::x11 {

void PrintTo(const X11WindowStates::Read& r, std::ostream* os) {
    const char* kinds[] = {"Watch", "Parent", "Geometry", "Property"};
    *os << kinds[r.kind] << "(" << r.window;
    if (r.kind == X11WindowStates::Read::Property)
        *os << ", atom " << r.atom;
    *os << ")";
}

namespace {

using Geometry = X11WindowStates::Geometry;
using Read = X11WindowStates::Read;
using Reads = std::vector<Read>;

constexpr xcb_window_t kRoot = 1, kFrame = 50, kInner = 60, kOtherFrame = 70, kClient = 100;
constexpr X11WindowStates::Atoms kAtoms{301, 302, 303, 304};
constexpr xcb_atom_t kMaximizedVert = 400, kDesktop = 500;

// An event as xcb hands it over: the protocol's 32 bytes, then the full sequence.
struct alignas(8) RawEvent {
    quint8 bytes[36] = {};
    const xcb_generic_event_t* get() const { return reinterpret_cast<const xcb_generic_event_t*>(bytes); }
};

template <typename E> RawEvent raw(E e, quint8 type, quint32 sequence) {
    static_assert(sizeof(E) <= 32);
    e.response_type = type;
    RawEvent r;
    std::memcpy(r.bytes, &e, sizeof e);
    reinterpret_cast<xcb_generic_event_t*>(r.bytes)->full_sequence = sequence;
    return r;
}

RawEvent configure(xcb_window_t event, xcb_window_t window, Geometry g, quint32 sequence,
                   bool synthetic = false) {
    xcb_configure_notify_event_t e{};
    e.event = event;
    e.window = window;
    e.x = g.x;
    e.y = g.y;
    e.width = g.width;
    e.height = g.height;
    e.border_width = g.border;
    return raw(e, XCB_CONFIGURE_NOTIFY | (synthetic ? 0x80 : 0), sequence);
}

RawEvent reparent(xcb_window_t window, xcb_window_t parent, qint16 x, qint16 y, quint32 sequence) {
    xcb_reparent_notify_event_t e{};
    e.event = window;
    e.window = window;
    e.parent = parent;
    e.x = x;
    e.y = y;
    return raw(e, XCB_REPARENT_NOTIFY, sequence);
}

RawEvent gravity(xcb_window_t window, qint16 x, qint16 y, quint32 sequence) {
    xcb_gravity_notify_event_t e{};
    e.event = window;
    e.window = window;
    e.x = x;
    e.y = y;
    return raw(e, XCB_GRAVITY_NOTIFY, sequence);
}

RawEvent destroyed(xcb_window_t window, quint32 sequence) {
    xcb_destroy_notify_event_t e{};
    e.event = window;
    e.window = window;
    return raw(e, XCB_DESTROY_NOTIFY, sequence);
}

RawEvent propertyChanged(xcb_window_t window, xcb_atom_t atom, quint32 sequence) {
    xcb_property_notify_event_t e{};
    e.window = window;
    e.atom = atom;
    return raw(e, XCB_PROPERTY_NOTIFY, sequence);
}

Property cardinals(const QList<quint32>& values) {
    return Property{XCB_ATOM_CARDINAL, 32,
                    QByteArray(reinterpret_cast<const char*>(values.data()), values.size() * 4)};
}

Property text(const char* s) {
    return Property{XCB_ATOM_STRING, 8, QByteArray(s)};
}

// The windows and properties as the X server has them, answering what the states want.
struct Server {
    struct Window {
        xcb_window_t parent;
        Geometry geometry;
    };
    QHash<xcb_window_t, Window> windows;
    QHash<QPair<xcb_window_t, xcb_atom_t>, Property> properties;
    quint32 sequence = 1000; // after every event the tests make up
    Reads made;

    void answer(X11WindowStates& s, const Read& r, quint32 sent) {
        const auto w = windows.constFind(r.window);
        const bool exists = w != windows.cend();
        switch (r.kind) {
        case Read::Watch:
            break;
        case Read::Parent:
            s.parentRead(r.window, sent, exists ? std::optional(w->parent) : std::nullopt);
            break;
        case Read::Geometry:
            s.geometryRead(r.window, sent, exists ? std::optional(w->geometry) : std::nullopt);
            break;
        case Read::Property:
            s.propertyRead(r.window, r.atom, sent,
                           exists ? std::optional(properties.value({r.window, r.atom})) : std::nullopt);
            break;
        }
    }
    // Makes the reads the states want, round after round, and answers them; the reads made.
    Reads serve(X11WindowStates& s, bool titles = false) {
        made.clear();
        for (int round = 0; round < 10; ++round) {
            const Reads reads = s.wanted(titles);
            if (reads.empty())
                break;
            std::vector<quint32> sent;
            for (const Read& r : reads) {
                sent.push_back(++sequence);
                s.sent(r, sequence);
                made.push_back(r);
            }
            for (size_t i = 0; i < reads.size(); ++i)
                answer(s, reads[i], sent[i]);
        }
        return made;
    }
};

class X11WindowStatesTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A client in a frame of the window manager: bordered by 2, 10 and 20 pixels in, at 100,50.
        server.windows = {{kFrame, {kRoot, {100, 50, 320, 240, 2}}},
                          {kClient, {kFrame, {10, 20, 300, 200, 0}}}};
        server.properties = {{{kClient, kAtoms.frameExtents}, cardinals({10, 10, 20, 0})},
                             {{kClient, kAtoms.state}, cardinals({kMaximizedVert})},
                             {{kClient, kAtoms.name}, text("")},
                             {{kClient, XCB_ATOM_WM_NAME}, text("Term One")}};
        states.track(kClient);
        server.serve(states);
    }
    void apply(const RawEvent& e) { states.apply(e.get()); }
    QRect client() const {
        const auto s = states.state(kClient);
        return s ? s->client : QRect();
    }

    X11WindowStates states{kRoot, kAtoms};
    Server server;
};

TEST_F(X11WindowStatesTest, AClientIsReadOnceWithItsFramesWatchedBeforeTheyAreRead) {
    X11WindowStates fresh(kRoot, kAtoms);
    fresh.track(kClient);
    EXPECT_FALSE(fresh.state(kClient));
    const Reads made = server.serve(fresh);
    EXPECT_EQ(made, (Reads{{Read::Geometry, kClient},
                           {Read::Parent, kClient},
                           {Read::Property, kClient, kAtoms.frameExtents},
                           {Read::Property, kClient, kAtoms.gtkFrameExtents},
                           {Read::Property, kClient, kAtoms.state},
                           {Read::Property, kClient, XCB_ATOM_WM_NORMAL_HINTS},
                           // The frame, met in the first answers.
                           {Read::Watch, kFrame},
                           {Read::Geometry, kFrame},
                           {Read::Parent, kFrame}}));
    const auto s = fresh.state(kClient);
    ASSERT_TRUE(s);
    // 100 + 2 (the frame's border) + 10, 50 + 2 + 20.
    EXPECT_EQ(s->client, QRect(112, 72, 300, 200));
    EXPECT_EQ(s->decorations, (Extents{10, 10, 20, 0}));
    EXPECT_EQ(s->outer(), QRect(102, 52, 320, 220));
    EXPECT_FALSE(s->configured) << "no event yet";
    EXPECT_TRUE(s->has(kMaximizedVert));
    EXPECT_TRUE(fresh.wanted(false).empty()) << "nothing more to read";
    // The title only when asked for.
    EXPECT_FALSE(fresh.title(kClient));
    EXPECT_EQ(server.serve(fresh, true),
              (Reads{{Read::Property, kClient, kAtoms.name}, {Read::Property, kClient, XCB_ATOM_WM_NAME}}));
    EXPECT_EQ(fresh.title(kClient), "Term One") << "WM_NAME when _NET_WM_NAME is empty";
}

TEST_F(X11WindowStatesTest, NestedFramesAddUpTheirPlacesAndBorders) {
    server.windows = {{kFrame, {kRoot, {100, 50, 320, 240, 1}}},
                      {kInner, {kFrame, {4, 18, 310, 220, 0}}},
                      {kClient, {kInner, {3, 2, 300, 200, 1}}}};
    X11WindowStates fresh(kRoot, kAtoms);
    fresh.track(kClient);
    server.serve(fresh);
    EXPECT_EQ(fresh.state(kClient)->client, QRect(100 + 1 + 4 + 3 + 1, 50 + 1 + 18 + 2 + 1, 300, 200));
    // The inner frame moves within the outer one: nothing to read.
    fresh.apply(configure(kInner, kInner, {6, 18, 310, 220, 0}, 200).get());
    EXPECT_EQ(fresh.state(kClient)->client.topLeft(), QPoint(111, 72));
    EXPECT_TRUE(fresh.wanted(false).empty());
}

// Events that tell the new geometry: the state follows without a read.
TEST_F(X11WindowStatesTest, GeometryEventsMoveAndSizeTheClientWithoutARead) {
    const struct {
        const char* what;
        RawEvent event;
        QRect client;
    } cases[] = {
        {"the frame moves (the root's child)", configure(kRoot, kFrame, {300, 400, 320, 240, 2}, 201),
         QRect(312, 422, 300, 200)},
        {"the frame moves (its own event)", configure(kFrame, kFrame, {0, 0, 320, 240, 2}, 202),
         QRect(12, 22, 300, 200)},
        {"the client is resized in its frame", configure(kClient, kClient, {10, 20, 640, 480, 0}, 203),
         QRect(12, 22, 640, 480)},
        {"the frame shrinks and gravity moves the client", gravity(kClient, 8, 20, 204),
         QRect(10, 22, 640, 480)},
        {"the window manager lets go of the client", reparent(kClient, kRoot, 5, 6, 205),
         QRect(5, 6, 640, 480)},
        {"its frame no longer matters", configure(kRoot, kFrame, {900, 900, 320, 240, 2}, 206),
         QRect(5, 6, 640, 480)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        apply(c.event);
        EXPECT_EQ(client(), c.client);
        EXPECT_TRUE(states.wanted(false).empty());
    }
}

// A request has been carried out once the server told of both the client and its frame after it.
TEST_F(X11WindowStatesTest, TheClientAndItsFrameAreConfiguredByTheOlderOfTheirEvents) {
    const auto configured = [&] { return states.state(kClient)->configured; };
    apply(configure(kClient, kClient, {10, 20, 640, 480, 0}, 300));
    EXPECT_FALSE(configured()) << "the frame has not been told of";
    apply(configure(kRoot, kFrame, {100, 50, 660, 520, 2}, 301));
    EXPECT_EQ(configured(), 300u);
    apply(configure(kFrame, kFrame, {0, 0, 660, 520, 2}, 302));
    EXPECT_EQ(configured(), 300u) << "the client's own event is the older";
    apply(configure(kClient, kClient, {10, 20, 640, 480, 0}, 303));
    EXPECT_EQ(configured(), 302u);
    // A synthetic one is the window manager's word, not the server's.
    apply(configure(kClient, kClient, {0, 0, 640, 480, 0}, 310, true));
    EXPECT_EQ(configured(), 302u);
    // Without a frame, its own events alone.
    apply(reparent(kClient, kRoot, 5, 6, 320));
    EXPECT_EQ(configured(), 320u);
    apply(configure(kRoot, kClient, {7, 8, 640, 480, 0}, 321));
    EXPECT_EQ(configured(), 321u);
}

// Events that only say something changed: the state is unknown until the read each one wants.
TEST_F(X11WindowStatesTest, ChangesEventsDoNotTellAreReadAgain) {
    const struct {
        const char* what;
        RawEvent event;
        Reads reads;
    } cases[] = {
        {"frame extents",
         propertyChanged(kClient, kAtoms.frameExtents, 201),
         {{Read::Property, kClient, kAtoms.frameExtents}}},
        {"client-side shadows",
         propertyChanged(kClient, kAtoms.gtkFrameExtents, 202),
         {{Read::Property, kClient, kAtoms.gtkFrameExtents}}},
        {"window state",
         propertyChanged(kClient, kAtoms.state, 203),
         {{Read::Property, kClient, kAtoms.state}}},
        {"size hints",
         propertyChanged(kClient, XCB_ATOM_WM_NORMAL_HINTS, 204),
         {{Read::Property, kClient, XCB_ATOM_WM_NORMAL_HINTS}}},
        {"a new frame",
         reparent(kClient, kOtherFrame, 0, 0, 205),
         {{Read::Watch, kOtherFrame}, {Read::Geometry, kOtherFrame}, {Read::Parent, kOtherFrame}}},
    };
    server.windows.insert(kOtherFrame, {kRoot, {0, 0, 10, 10, 0}});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        apply(c.event);
        EXPECT_FALSE(states.state(kClient));
        EXPECT_EQ(server.serve(states), c.reads);
        EXPECT_TRUE(states.state(kClient));
    }
}

TEST_F(X11WindowStatesTest, AClientWhoseFrameIsDestroyedReadsItsParentAgain) {
    apply(destroyed(kFrame, 201));
    EXPECT_FALSE(states.state(kClient));
    EXPECT_EQ(states.wanted(false), (Reads{{Read::Parent, kClient}}));
    server.windows[kClient].parent = kRoot;
    server.serve(states);
    EXPECT_EQ(client(), QRect(10, 20, 300, 200));
}

TEST_F(X11WindowStatesTest, EventsAboutOtherThingsChangeNothing) {
    const struct {
        const char* what;
        RawEvent event;
    } cases[] = {
        {"a property not kept", propertyChanged(kClient, kDesktop, 201)},
        {"the window manager's answer", configure(kClient, kClient, {0, 0, 1, 1, 0}, 202, true)},
        {"a window not kept", configure(kRoot, 999, {0, 0, 1, 1, 0}, 203)},
        {"someone else's interest in the client", configure(kOtherFrame, kClient, {0, 0, 1, 1, 0}, 204)},
        {"the title", propertyChanged(kClient, XCB_ATOM_WM_NAME, 205)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        apply(c.event);
        EXPECT_EQ(client(), QRect(112, 72, 300, 200));
        EXPECT_TRUE(states.wanted(false).empty());
    }
    EXPECT_FALSE(states.title(kClient)) << "a title that changed is read again when asked for";
}

TEST_F(X11WindowStatesTest, AnAnswerIsTakenOnlyWhenNoLaterEventTouchedTheSameThing) {
    // A geometry read made at 300; the server moves the client at 301 and says so; the answer to
    // 300 still tells the old place and must not undo the move.
    apply(propertyChanged(kClient, kAtoms.frameExtents, 250));
    apply(configure(kClient, kClient, {10, 20, 300, 200, 0}, 260)); // nothing new, but touched
    X11WindowStates::Geometry old{10, 20, 300, 200, 0};
    states.sent({Read::Geometry, kClient}, 300);
    states.sent({Read::Property, kClient, kAtoms.frameExtents}, 301);
    apply(configure(kClient, kClient, {30, 40, 500, 400, 0}, 301));
    apply(propertyChanged(kClient, kAtoms.frameExtents, 302));
    EXPECT_TRUE(states.wanted(false).empty()) << "reads under way are not made twice";
    states.geometryRead(kClient, 300, old);
    states.propertyRead(kClient, kAtoms.frameExtents, 301, cardinals({1, 1, 1, 1}));
    EXPECT_FALSE(states.state(kClient)) << "the extents changed after they were read";
    EXPECT_EQ(states.wanted(false), (Reads{{Read::Property, kClient, kAtoms.frameExtents}}));
    states.sent({Read::Property, kClient, kAtoms.frameExtents}, 303);
    states.propertyRead(kClient, kAtoms.frameExtents, 303, cardinals({2, 2, 2, 2}));
    const auto s = states.state(kClient);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->client, QRect(132, 92, 500, 400)) << "the move, not the older answer";
    EXPECT_EQ(s->decorations, (Extents{2, 2, 2, 2}));

    // An answer to a read made after the last event is taken.
    states.sent({Read::Geometry, kClient}, 310);
    states.geometryRead(kClient, 310, Geometry{0, 0, 50, 60, 0});
    EXPECT_EQ(states.state(kClient)->client, QRect(102, 52, 50, 60));
}

TEST_F(X11WindowStatesTest, GoneWindowsHaveNoState) {
    apply(destroyed(kClient, 201));
    EXPECT_TRUE(states.isGone(kClient));
    EXPECT_FALSE(states.state(kClient));
    EXPECT_TRUE(states.wanted(true).empty());

    // A client found gone by a read.
    X11WindowStates other(kRoot, kAtoms);
    other.track(kClient);
    server.windows.remove(kClient);
    server.serve(other);
    EXPECT_TRUE(other.isGone(kClient));
    EXPECT_FALSE(other.state(kClient));
}

TEST_F(X11WindowStatesTest, AForgottenClientTakesItsFramesAlong) {
    states.forget(kClient);
    EXPECT_FALSE(states.tracks(kClient));
    EXPECT_FALSE(states.state(kClient));
    // Kept again later (its id reused), everything is read afresh, its frame watched again.
    states.track(kClient);
    const Reads made = server.serve(states);
    EXPECT_TRUE(std::find(made.begin(), made.end(), Read{Read::Watch, kFrame}) != made.end());
    EXPECT_EQ(client(), QRect(112, 72, 300, 200));
}

TEST_F(X11WindowStatesTest, OnlyTheClientAskedForIsRead) {
    constexpr xcb_window_t kSecond = 200;
    server.windows.insert(kSecond, {kRoot, {0, 0, 10, 10, 0}});
    states.track(kSecond);
    apply(propertyChanged(kClient, kAtoms.state, 201));
    const Reads reads = states.wanted(false, kClient);
    EXPECT_EQ(reads, (Reads{{Read::Property, kClient, kAtoms.state}}));
}

} // namespace
} // namespace platform::x11
