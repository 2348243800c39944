// Cost of the drawn keyboard: one pulse frame with the whole keyboard repainted by its view (the
// floating keyboard animates while the user holds the modifiers, so a frame must stay well
// under 4 ms), the same keyboard drawn afresh without the key caches, and a full layout at a new
// width. Run as keyboard_bench <build>/Tilewick.app so the bundled fonts are used.

#include "DrawingPlatform.h"
#include "Timing.h"

#include "platform/Platform.h"
#include "platform/sim/SimAppearance.h"
#include "platform/sim/SimBundle.h"
#include "platform/sim/SimPlatform.h"
#include "platform/sim/VirtualRuntime.h"
#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/HoverTips.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/keyboard/KeyboardView.h"

#include <QApplication>
#include <QGraphicsScene>
#include <QGraphicsView>
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
    HoverTipState tips(services);
    auto& runtime = platform->service<platform::sim::VirtualRuntime>();

    for (const Scheme scheme : {Scheme::Light, Scheme::Dark}) {
        platform->service<platform::sim::SimAppearance>().force(scheme);
        const char* name = scheme == Scheme::Dark ? "dark" : "light";
        TilewickStore store(*platform, StoreHooks::over(*platform));
        // The floating keyboard while the modifiers are held: every bound key pulses.
        store.setAnimating(true);
        store.setPressedKeys({{58, 0.0}, {55, 0.0}});
        QGraphicsScene scene;
        auto* keyboard = new KeyboardView(store, services, tips, {}, 4,
                                          {.brandedSpaceBar = true,
                                           .allHotkeysSelected = true,
                                           .keyFaceOpacity = 0.94,
                                           .keysAreGuide = true});
        keyboard->setWidth(900);
        scene.addItem(keyboard);
        QGraphicsView view(&scene);
        view.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        view.resize(960, 400);
        view.setSceneRect(keyboard->sceneBoundingRect());
        view.show();
        QApplication::processEvents();
        view.viewport()->repaint(); // fills the key caches

        char label[96];
        std::snprintf(label, sizeof label, "pulse frame, whole keyboard repainted (%s):", name);
        report(label, measure(300, [&] {
                   runtime.advance(KeyboardView::kPulseFrame);
                   keyboard->tick();
                   view.viewport()->repaint();
               }));
        report("  of which the repaint of the view:", measure(300, [&] { view.viewport()->repaint(); }));

        const QRectF area = keyboard->sceneBoundingRect();
        QImage image((area.size() * 2).toSize(), QImage::Format_ARGB32_Premultiplied);
        std::snprintf(label, sizeof label, "whole keyboard drawn afresh at 2x (%s):", name);
        report(label, measure(50, [&] {
                   image.fill(Qt::transparent);
                   QPainter painter(&image);
                   painter.setRenderHint(QPainter::Antialiasing);
                   scene.render(&painter, QRectF(QPointF(), area.size() * 2), area);
               }));

        int step = 0;
        std::snprintf(label, sizeof label, "layout at a new width and repaint (%s):", name);
        report(label, measure(100, [&] {
                   keyboard->setWidth(++step % 2 ? 880 : 900);
                   view.viewport()->repaint();
               }));
    }
    platform::Platform::uninstall();
    return 0;
}
