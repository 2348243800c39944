// Cost of the tab pages: a tab change (the page made afresh with its cards), the Global and the
// eighths page drawn whole without the parts' caches, and one frame of a card's hover lift with the view
// repainted (the lift springs at 30 frames a second, so a frame must stay well under 33 ms). Run as
// tab_page_bench <build>/Tilewick.app so the bundled fonts are used.

#include "DrawingPlatform.h"
#include "Timing.h"

#include "platform/Platform.h"
#include "platform/sim/SimBundle.h"
#include "platform/sim/SimPlatform.h"
#include "platform/sim/VirtualRuntime.h"
#include "tilewick/mainwindow/PageContext.h"
#include "tilewick/mainwindow/SnapCard.h"
#include "tilewick/mainwindow/TabPage.h"
#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/HoverTips.h"
#include "tilewick/visuals/InterFont.h"

#include <QApplication>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QImage>
#include <QPainter>

#include <cstdio>

using namespace tilewick;

using bench::measure;
using bench::report;

namespace {

// A view that shows the page at the scene's own coordinates and keeps no frames.
struct PlainHost final : PageHost {
    QPointF rootPoint(QPointF scenePos) const override { return scenePos; }
    void setModifierPanelFrame(const QRectF&) override {}
    void setRecordingCardFrame(SnapAction, const QRectF&) override {}
    void setAppPickerFrame(const QRectF&) override {}
    void setAppPickerListFrame(const QRectF&) override {}
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    auto platform = bench::installDrawingPlatform(argc, argv);
    const ViewServices services = ViewServices::of(*platform);
    auto& runtime = platform->service<platform::sim::VirtualRuntime>();
    {
        HoverTipState tips(services);
        PlainHost host;
        TilewickStore store(*platform, StoreHooks::over(*platform));
        QGraphicsScene scene;
        auto* page = new TabPage(PageContext{store, services, tips, host}, SnapTab::global, 922);
        scene.addItem(page);
        QGraphicsView view(&scene);
        view.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        view.resize(960, 400);
        view.setSceneRect(QRectF(-20, -20, 962, 380));
        view.show();
        QApplication::processEvents();
        view.viewport()->repaint();

        int step = 0;
        report("tab change, page made afresh, view repainted:", measure(100, [&] {
                   page->setTab(++step % 2 ? SnapTab::eighths : SnapTab::global);
                   view.viewport()->repaint();
               }));

        QImage image(QSize(962, 380) * 2, QImage::Format_ARGB32_Premultiplied);
        for (const auto& [tab, name] :
             {std::pair{SnapTab::global, "Global"}, std::pair{SnapTab::eighths, "eighths"}}) {
            page->setTab(tab);
            // Every part drawn afresh, not copied from its cache.
            for (QGraphicsItem* item : scene.items())
                item->setCacheMode(QGraphicsItem::NoCache);
            char label[96];
            std::snprintf(label, sizeof label, "%s page drawn whole at 2x:", name);
            report(label, measure(50, [&] {
                       image.fill(Qt::transparent);
                       QPainter painter(&image);
                       painter.setRenderHint(QPainter::Antialiasing);
                       scene.render(&painter, QRectF(QPointF(), QSizeF(image.size())), view.sceneRect());
                   }));
        }

        page->setTab(SnapTab::global);
        SnapCard* card = nullptr;
        for (QGraphicsItem* item : scene.items())
            if (auto* found = dynamic_cast<SnapCard*>(item); found && found->action() == SnapAction::maximize)
                card = found;
        bool hovered = false;
        report("hover lift frame of a Global card, view repainted:", measure(200, [&] {
                   if (step++ % 18 == 0) {
                       hovered = !hovered;
                       card->setHovered(hovered, card->scenePos());
                   }
                   runtime.advance(PageItem::kFrame);
                   view.viewport()->repaint();
               }));
    }
    platform::Platform::uninstall();
    return 0;
}
