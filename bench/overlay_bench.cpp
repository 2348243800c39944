// Cost of the floating keyboard's frames: one animation frame with two holes fading shut (the
// keyboard's picture cached, as while holes or the panel fade), and one frame after the keyboard
// changed (a pulse or a held key: the picture is drawn again). Run as overlay_bench
// <build>/Tilewick.app so the bundled fonts are used.

#include "DrawingPlatform.h"
#include "Timing.h"
#include "platform/Keyboard.h"

#include "platform/Platform.h"
#include "platform/Screens.h"
#include "platform/sim/SimAppearance.h"
#include "platform/sim/SimBundle.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimFloatingPanel.h"
#include "platform/sim/SimPlatform.h"
#include "platform/sim/VirtualRuntime.h"
#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/overlay/KeyboardOverlay.h"

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
    auto& desktop = platform->service<platform::sim::SimDesktop>();
    desktop.addScreen({0, 0, 1512, 982}, {0, 25, 1512, 957});
    const auto window =
        desktop.addWindow(desktop.addApp({.pid = 100, .name = QStringLiteral("Editor")}).pid(),
                          {.title = QStringLiteral("Doc"), .frame = {100, 100, 400, 300}});
    const auto other = desktop.addWindow(100, {.title = QStringLiteral("Other"), .frame = {0, 0, 10, 10}});
    auto& runtime = platform->service<platform::sim::VirtualRuntime>();
    platform::sim::SimFloatingPanel floating;

    for (const Scheme scheme : {Scheme::Light, Scheme::Dark}) {
        platform->service<platform::sim::SimAppearance>().force(scheme);
        const char* name = scheme == Scheme::Dark ? "dark" : "light";
        auto overlay = std::make_shared<KeyboardOverlay>(
            ViewServices::of(*platform), OverlayServices{platform->shared<platform::Screens>(),
                                                         platform->shared<platform::Keyboard>(), floating});
        StoreHooks hooks = StoreHooks::over(*platform);
        hooks.overlay = overlay;
        TilewickStore store(*platform, hooks);
        // The modifiers held: every bound key lit, the line under the space bar.
        store.setPressedKeys({{58, 0.0}, {55, 0.0}});
        overlay->show(desktop.screens().first());
        runtime.advance(0.2);
        overlay->punchHole(window, {300, 600, 400, 200});
        overlay->punchHole(other, {900, 650, 500, 180});
        runtime.advance(0.75); // both holes half shut, still fading
        QImage image(overlay->windowFrame().size(), QImage::Format_ARGB32_Premultiplied);
        const auto frame = [&] {
            image.fill(Qt::transparent);
            QPainter painter(&image);
            overlay->paint(painter);
        };
        frame(); // the keyboard's picture

        char label[120];
        std::snprintf(label, sizeof label, "animation frame with two holes, 994 x 376 (%s):", name);
        report(label, measure(300, frame));
        std::snprintf(label, sizeof label, "pulse frame, every bound key's outline (%s):", name);
        report(label, measure(100, [&] {
                   runtime.advance(0.1);
                   QCoreApplication::processEvents();
                   frame();
               }));
        bool held = false;
        std::snprintf(label, sizeof label, "frame after the keyboard changed, drawn again (%s):", name);
        report(label, measure(50, [&] {
                   // A held key comes or goes: the keyboard redraws, the scene says so on the next turn.
                   held = !held;
                   store.setPressedKeys(held ? QHash<quint16, double>{{58, 0.0}, {55, 0.0}, {123, 0.0}}
                                             : QHash<quint16, double>{{58, 0.0}, {55, 0.0}});
                   QCoreApplication::processEvents();
                   frame();
               }));
        overlay->hide();
        runtime.advance(1);
    }
    platform::Platform::uninstall();
    return 0;
}
