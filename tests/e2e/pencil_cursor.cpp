// Shows an element with the pencil pointer under the pointer and prints the cursor the X server
// shows, read back through XFixes: "<width> <height> <hot x> <hot y>". It waits (10 s at most)
// for the cursor to be the one given on the command line, and exits 1 when it never is:
// pencil_cursor <width> <height> <hot x> <hot y>.

#include "tilewick/visuals/HoverLift.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QThread>
#include <QWindow>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using Shape = std::array<int, 4>;

Shape shownCursor(xcb_connection_t* xcb) {
    xcb_xfixes_get_cursor_image_reply_t* reply =
        xcb_xfixes_get_cursor_image_reply(xcb, xcb_xfixes_get_cursor_image(xcb), nullptr);
    if (!reply)
        return {};
    const Shape shape{reply->width, reply->height, reply->xhot, reply->yhot};
    std::free(reply);
    return shape;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fputs("usage: pencil_cursor <width> <height> <hot x> <hot y>\n", stderr);
        return 2;
    }
    const Shape wanted{std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4])};
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);

    xcb_connection_t* xcb = xcb_connect(nullptr, nullptr);
    xcb_xfixes_query_version_reply_t* version =
        xcb_xfixes_query_version_reply(xcb, xcb_xfixes_query_version(xcb, 4, 0), nullptr);
    if (!version) {
        std::fputs("pencil_cursor: no XFixes\n", stderr);
        return 2;
    }
    std::free(version);

    QGraphicsScene scene(0, 0, 200, 200);
    QGraphicsRectItem* element = scene.addRect(0, 0, 200, 200, Qt::NoPen, Qt::lightGray);
    QGraphicsView view(&scene);
    view.setFrameShape(QFrame::NoFrame);
    view.resize(200, 200);
    view.show();
    tilewick::HoverPointer::apply(*element, true, true);

    Shape shown{};
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000) {
        QApplication::processEvents();
        if (view.windowHandle() && view.windowHandle()->isExposed())
            QCursor::setPos(view.mapToGlobal(QPoint(100, 100)));
        shown = shownCursor(xcb);
        if (shown == wanted)
            break;
        QThread::msleep(50);
    }
    std::printf("%d %d %d %d\n", shown[0], shown[1], shown[2], shown[3]);
    xcb_disconnect(xcb);
    return shown == wanted ? 0 : 1;
}
