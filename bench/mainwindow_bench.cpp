// Cost of the main window's view: building it and painting it whole at its standard size
// (956 × 891), and one step of a resize while the user drags the window's edge (the new layout,
// the page rescaled and the window repainted; from a drag's second step the page and the tab
// buttons are drawn from the pictures kept when it began), and the window drawn afresh once the
// drag has settled. A resize step has a frame's time, about 16 ms, at
// most, and stays within 1.5 × what a custom-painted Qt window of the same size and about as much
// drawing takes; both references, and a window of plain Qt widgets, are measured in the same run
// with the same steps. Run as mainwindow_bench <build>/Tilewick.app [steps] so the bundled fonts are used.

#include "CustomPaintedWindow.h"
#include "DrawingPlatform.h"
#include "Timing.h"

#include "platform/Platform.h"
#include "platform/sim/SimAppearance.h"
#include "platform/sim/SimBundle.h"
#include "platform/sim/SimPlatform.h"
#include "platform/sim/VirtualRuntime.h"
#include "tilewick/mainwindow/LiveResize.h"
#include "tilewick/mainwindow/MainView.h"
#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/InterFont.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTabBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace tilewick;
using bench::measure;
using bench::report;

namespace {

constexpr QSize kSize(956, 891);

// A window of stock widgets laid out by Qt: a tab bar, a grid of group boxes with labels,
// buttons and check boxes, about as many parts as the main window's page.
class PlainWindow final : public QWidget {
public:
    PlainWindow() {
        auto* column = new QVBoxLayout(this);
        auto* tabs = new QTabBar;
        for (int i = 0; i < 12; ++i)
            tabs->addTab(QStringLiteral("Tab %1").arg(i + 1));
        column->addWidget(new QLabel(QStringLiteral("A window of plain widgets")));
        column->addWidget(tabs);
        auto* grid = new QGridLayout;
        for (int i = 0; i < 12; ++i) {
            auto* box = new QGroupBox(QStringLiteral("Card %1").arg(i + 1));
            auto* inside = new QVBoxLayout(box);
            inside->addWidget(new QLabel(QStringLiteral("Ctrl + Alt + %1").arg(i + 1)));
            inside->addWidget(new QPushButton(QStringLiteral("Record")));
            inside->addWidget(new QCheckBox(QStringLiteral("Enabled")));
            grid->addWidget(box, i / 4, i % 4);
        }
        column->addLayout(grid, 1);
        auto* keys = new QGridLayout;
        for (int i = 0; i < 60; ++i)
            keys->addWidget(new QPushButton(QString(QChar('A' + i % 26))), i / 15, i % 15);
        column->addLayout(keys, 1);
    }
};

// The same drag of the corner for every window, a few points at a time, both ways. The windows
// take their steps in turn, so that a change of the machine's load meets all of them alike.
std::vector<bench::Figures> resizeSteps(const std::vector<QWidget*>& windows, int count) {
    for (QWidget* window : windows) {
        window->resize(kSize);
        window->show();
    }
    QApplication::processEvents();
    std::vector<std::vector<double>> times(windows.size());
    for (int step = 1; step <= count; ++step) {
        const QSize size(kSize.width() - 3 * (step % 20), kSize.height() - 2 * (step % 20));
        for (size_t i = 0; i < windows.size(); ++i) {
            times[i].push_back(bench::timeOnce([&] {
                windows[i]->resize(size);
                QApplication::sendPostedEvents();
                windows[i]->repaint();
            }));
        }
    }
    std::vector<bench::Figures> figures;
    for (auto& each : times)
        figures.push_back(bench::figuresOf(each));
    return figures;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    auto platform = bench::installDrawingPlatform(argc, argv);
    const ViewServices services = ViewServices::of(*platform);
    // A second argument sets the number of resize steps (fewer under a profiler).
    const int steps = argc > 2 ? std::max(std::atoi(argv[2]), 1) : 100;

    for (const Scheme scheme : {Scheme::Light, Scheme::Dark}) {
        platform->service<platform::sim::SimAppearance>().force(scheme);
        const char* name = scheme == Scheme::Dark ? "dark" : "light";
        TilewickStore store(*platform, StoreHooks::over(*platform));
        store.setConflicts({{"com.example.grid", "Gridline", 11}});
        QImage image(kSize, QImage::Format_ARGB32_Premultiplied);

        char label[96];
        std::snprintf(label, sizeof label, "build and paint at 956 x 891 (%s):", name);
        report(label, measure(30, [&] {
                   MainView view(store, services);
                   view.resize(kSize);
                   view.render(&image);
               }));

        MainView view(store, services);
        view.resize(kSize);
        view.show();
        QApplication::processEvents();
        std::snprintf(label, sizeof label, "repaint at 956 x 891 (%s):", name);
        report(label, measure(100, [&] { view.repaint(); }));

        PlainWindow plain;
        bench::CustomPaintedWindow custom;
        const auto figures = resizeSteps({&view, &custom, &plain}, steps);
        const bench::Figures step = figures[0], customStep = figures[1], plainStep = figures[2];
        plain.hide();
        custom.hide();
        std::snprintf(label, sizeof label, "one resize step and repaint (%s):", name);
        report(label, step);
        // The drag stops: after the quiet time the whole window is drawn exactly once.
        auto& clock = platform->service<platform::sim::VirtualRuntime>();
        report("  the drag settled, drawn afresh:", bench::measure(1, [&] {
                   clock.advance(LiveResize::kSettleTime);
                   view.repaint();
               }));
        report("  plain widgets window, same steps:", plainStep);
        report("  custom-painted window, same steps:", customStep);
        std::printf("  resize step / custom-painted %.2f (target 1.5), / plain widgets %.2f; "
                    "a 16 ms frame: %s\n",
                    step.median / customStep.median, step.median / plainStep.median,
                    step.median <= 16 ? "within" : "over");
    }
    platform::Platform::uninstall();
    return 0;
}
