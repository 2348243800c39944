// Cost of the shared drawing pieces that views repaint often: a card with its soft shadow, a
// cached font and symbol lookup, a button, and the whole icon check sheet.

#include "DrawingPlatform.h"
#include "platform/Platform.h"
#include "platform/sim/SimBundle.h"
#include "platform/sim/SimPlatform.h"
#include "tilewick/visuals/CVPrimaryButtonStyle.h"
#include "tilewick/visuals/CardModifier.h"
#include "tilewick/visuals/IconSheets.h"
#include "tilewick/visuals/InterFont.h"
#include "tilewick/visuals/Symbols.h"
#include "tilewick/visuals/ViewServices.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <chrono>
#include <cstdio>
#include <functional>

using namespace tilewick;
using Clock = std::chrono::steady_clock;

namespace {

// Microseconds per call of `work`, over `count` calls.
double perCall(int count, const std::function<void()>& work) {
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i)
        work();
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / count;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    auto platform = bench::installDrawingPlatform(argc, argv);
    const Scheme scheme = ViewServices::of(*platform).scheme();

    QImage page(QSize(1912, 1782), QImage::Format_ARGB32_Premultiplied); // a main window at 2x
    page.setDevicePixelRatio(2);
    QPainter painter(&page);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF card(40, 40, 280, 180);
    std::printf("card with shadow, 280 x 180 at 2x:   %8.1f us\n", perCall(500, [&] {
                    CardModifier{14, false}.behind(painter, card, scheme);
                    CardModifier{14, false}.over(painter, card, scheme);
                }));
    std::printf("primary button at 2x:                %8.1f us\n", perCall(2000, [&] {
                    CVPrimaryButtonStyle{}.paint(painter, {40, 300, 160, 40}, ButtonLabel{"Open Settings"},
                                                 {}, scheme);
                }));
    std::printf("interFont, cached:                   %8.3f us\n",
                perCall(200000, [] { interFont(13, 500); }));
    std::printf("symbol outline, cached, 17 pt:       %8.3f us\n",
                perCall(20000, [] { Symbols::path("command", 17, SymbolWeight::Medium); }));
    painter.end();
    std::printf("icon check sheet at 2x:              %8.1f ms\n",
                perCall(5, [] { renderSheet(iconCheckSheet()); }) / 1000);
    platform::Platform::uninstall();
    return 0;
}
