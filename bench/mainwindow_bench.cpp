// Cost of the main window's view: building it and painting it whole at its standard size
// (956 × 891), and one step of a resize while the user drags the window's edge (the new layout,
// the page rescaled and the window repainted). A resize step has a frame's time, about 16 ms, at
// most. Run as mainwindow_bench <build>/Tilewick.app so the bundled fonts are used.

#include "DrawingPlatform.h"
#include "Timing.h"

#include "platform/Platform.h"
#include "platform/sim/SimAppearance.h"
#include "platform/sim/SimBundle.h"
#include "platform/sim/SimPlatform.h"
#include "tilewick/mainwindow/MainView.h"
#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/InterFont.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

using namespace tilewick;
using bench::measure;
using bench::report;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    auto platform = bench::installDrawingPlatform(argc, argv);
    const ViewServices services = ViewServices::of(*platform);

    for (const Scheme scheme : {Scheme::Light, Scheme::Dark}) {
        platform->service<platform::sim::SimAppearance>().force(scheme);
        const char* name = scheme == Scheme::Dark ? "dark" : "light";
        TilewickStore store(*platform);
        store.setConflicts({{"com.example.grid", "Gridline", 11}});
        QImage image(QSize(956, 891), QImage::Format_ARGB32_Premultiplied);

        char label[96];
        std::snprintf(label, sizeof label, "build and paint at 956 x 891 (%s):", name);
        report(label, measure(30, [&] {
                   MainView view(store, services);
                   view.resize(956, 891);
                   view.render(&image);
               }));

        MainView view(store, services);
        view.resize(956, 891);
        view.show();
        QApplication::processEvents();
        std::snprintf(label, sizeof label, "repaint at 956 x 891 (%s):", name);
        report(label, measure(100, [&] { view.repaint(); }));

        int step = 0;
        std::snprintf(label, sizeof label, "one resize step and repaint (%s):", name);
        report(label, measure(100, [&] {
                   // Dragging the corner a few points at a time, both ways.
                   ++step;
                   view.resize(956 - 3 * (step % 20), 891 - 2 * (step % 20));
                   QApplication::sendPostedEvents();
                   view.repaint();
               }));
    }
    platform::Platform::uninstall();
    return 0;
}
