// What the main window's view keeps of the memory it took: the program's resident memory before
// the window is first shown, with it open, after 90 steps of a resize (the page rescaled at each)
// and after it is closed, against the same course for a custom-painted Qt window of the same size
// (what Qt itself keeps of a window shown and closed). Each runs in a process of its own (this
// program started again with "--one main" or "--one custom"), so neither pays the other's first
// use of the fonts. After closing, the main view's process is within 2 MB of where it started.
// What closing keeps is then listed by mapping (from /proc/self/smaps): the heap, other anonymous
// memory (threads' stacks and allocator arenas) and each mapped file, largest first. The time the
// main view's process takes to note which library pages are resident before the view is made (what
// closing leaves resident) is printed too: the program pays it before its first picture.
// Run as mainwindow_memory_bench <build>/Tilewick.app.

#include "CustomPaintedWindow.h"
#include "DrawingPlatform.h"

#include "Timing.h"

#include "platform/Platform.h"
#include "platform/ResidentFilePages.h"
#include "platform/sim/SimPlatform.h"
#include "platform/sim/VirtualRuntime.h"
#include "tilewick/mainwindow/MainView.h"
#include "tilewick/store/TilewickStore.h"
#include "tilewick/visuals/DrawingCaches.h"
#include "tilewick/visuals/InterFont.h"

#include <QApplication>
#include <QBackingStore>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

using namespace tilewick;

namespace {

constexpr QSize kSize(956, 891);

// Resident memory of this process in megabytes.
double residentMegabytes() {
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The anonymous share of it (the heap and other private memory), from /proc/self/smaps_rollup;
// the rest is mapped files: the code of the libraries run, font files and fontconfig's caches.
double anonymousMegabytes() {
    double kilobytes = 0;
    if (FILE* rollup = std::fopen("/proc/self/smaps_rollup", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, rollup))
            if (std::sscanf(line, "Anonymous: %lf kB", &kilobytes) == 1)
                break;
        std::fclose(rollup);
    }
    return kilobytes / 1024.0;
}

// Resident kilobytes by mapping: each mapped file under its path, the heap, and the other anonymous
// mappings together.
std::map<std::string, long> residentByMapping() {
    std::map<std::string, long> kilobytes;
    std::string current;
    if (FILE* smaps = std::fopen("/proc/self/smaps", "r")) {
        char line[1024];
        while (std::fgets(line, sizeof line, smaps)) {
            long rss = 0;
            unsigned long start = 0, end = 0;
            int pathAt = 0;
            if (std::sscanf(line, "%lx-%lx %*s %*s %*s %*s %n", &start, &end, &pathAt) == 2) {
                std::string path = line + pathAt;
                path.erase(path.find_last_not_of(" \n") + 1);
                current = path.empty() || (path[0] == '[' && path != "[heap]") ? "[other anonymous]" : path;
            } else if (std::sscanf(line, "Rss: %ld kB", &rss) == 1) {
                kilobytes[current] += rss;
            }
        }
        std::fclose(smaps);
    }
    return kilobytes;
}

struct Figures {
    double before = 0, open = 0, resized = 0, closed = 0;
    double anonymousBefore = 0, anonymousClosed = 0;
    double noting = 0;                              // milliseconds
    std::vector<std::pair<long, std::string>> kept; // kilobytes kept, by mapping
};

// What each mapping holds more after closing than before, largest first.
std::vector<std::pair<long, std::string>> keptByMapping(const std::map<std::string, long>& before,
                                                        const std::map<std::string, long>& after) {
    std::vector<std::pair<long, std::string>> kept;
    for (const auto& [mapping, kilobytes] : after) {
        const auto was = before.find(mapping);
        const long grown = kilobytes - (was == before.end() ? 0 : was->second);
        if (grown != 0)
            kept.emplace_back(grown, mapping);
    }
    std::sort(kept.begin(), kept.end(), std::greater<>());
    return kept;
}

// The window's course in this process: shown, 90 resize steps, closed. The view is made when the
// window opens and deleted when it closes, as the program's main window does.
Figures run(bool mainView, int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    auto platform = bench::installDrawingPlatform(argc, argv);
    auto& runtime = platform->service<platform::sim::VirtualRuntime>();
    const ViewServices services = ViewServices::of(*platform);
    TilewickStore store(*platform, StoreHooks::over(*platform));
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    window.resize(kSize);
    // The program registers the interface fonts while it starts, before its window shows.
    InterFontLibrary::shared().registerFonts();
    QApplication::processEvents();

    Figures figures;
    const std::map<std::string, long> mappingsBefore = residentByMapping();
    figures.before = residentMegabytes();
    figures.anonymousBefore = anonymousMegabytes();
    // The view notes it as it is made; noted here first, to be timed.
    if (mainView)
        figures.noting = bench::timeOnce(platform::noteResidentFilePages);
    QPointer<QWidget> view =
        mainView ? static_cast<QWidget*>(new MainView(store, services)) : new bench::CustomPaintedWindow;
    layout->addWidget(view);
    window.show();
    QApplication::processEvents();
    window.repaint();
    figures.open = residentMegabytes();
    for (int step = 1; step <= 90; ++step) {
        // Dragging the corner inwards, a few points a step.
        window.resize(kSize.width() - 4 * step, kSize.height() - 3 * step);
        QApplication::sendPostedEvents();
        window.repaint();
    }
    figures.resized = residentMegabytes();
    window.hide();
    if (mainView)
        window.backingStore()->resize(QSize(0, 0)); // what the main window does once hidden
    view->deleteLater();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    runtime.runUntilIdle();
    if (!mainView)
        releaseDrawingCaches(); // what the main view does as it goes, for a like comparison
    figures.closed = residentMegabytes();
    figures.anonymousClosed = anonymousMegabytes();
    figures.kept = keptByMapping(mappingsBefore, residentByMapping());
    platform::Platform::uninstall();
    return figures;
}

Figures runElsewhere(const char* self, const char* kind, const char* appFolder) {
    const std::string command = std::string("'") + self + "' --one " + kind + " '" + appFolder + "'";
    Figures figures;
    if (FILE* child = popen(command.c_str(), "r")) {
        if (std::fscanf(child, "%lf %lf %lf %lf %lf %lf %lf", &figures.before, &figures.open,
                        &figures.resized, &figures.closed, &figures.anonymousBefore, &figures.anonymousClosed,
                        &figures.noting) != 7)
            figures = {};
        long kilobytes = 0;
        char mapping[1024];
        while (std::fscanf(child, " %ld %1023[^\n]", &kilobytes, mapping) == 2)
            figures.kept.emplace_back(kilobytes, mapping);
        pclose(child);
    }
    return figures;
}

// The mappings that keep 100 kB or more, then the rest together.
void printKept(const char* name, const Figures& f) {
    std::printf("kept by %s, by mapping:\n", name);
    long rest = 0;
    for (const auto& [kilobytes, mapping] : f.kept) {
        if (std::abs(kilobytes) >= 100)
            std::printf("  %+7.2f MB  %s\n", kilobytes / 1024.0, mapping.c_str());
        else
            rest += kilobytes;
    }
    std::printf("  %+7.2f MB  (the others)\n", rest / 1024.0);
}

void print(const char* name, const Figures& f) {
    std::printf("%-16s before %6.1f MB   open %6.1f MB   90 resize steps %6.1f MB   closed %6.1f MB"
                "   kept %+5.1f MB (anonymous %+5.1f MB, mapped files %+5.1f MB)\n",
                name, f.before, f.open, f.resized, f.closed, f.closed - f.before,
                f.anonymousClosed - f.anonymousBefore,
                (f.closed - f.anonymousClosed) - (f.before - f.anonymousBefore));
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 3 && std::strcmp(argv[1], "--one") == 0) {
        const bool mainView = std::strcmp(argv[2], "main") == 0;
        char* rest[] = {argv[0], argv[3], nullptr};
        const Figures f = run(mainView, 2, rest);
        std::printf("%f %f %f %f %f %f %f\n", f.before, f.open, f.resized, f.closed, f.anonymousBefore,
                    f.anonymousClosed, f.noting);
        for (const auto& [kilobytes, mapping] : f.kept)
            std::printf("%ld %s\n", kilobytes, mapping.c_str());
        return 0;
    }
    const char* appFolder = argc > 1 ? argv[1] : "";
    const Figures main = runElsewhere(argv[0], "main", appFolder);
    const Figures custom = runElsewhere(argv[0], "custom", appFolder);
    print("main view", main);
    print("custom-painted", custom);
    std::printf("kept after closing: main view %+.1f MB (target within 2 MB), custom-painted %+.1f MB; "
                "main view / custom-painted at 90 steps %.2f\n",
                main.closed - main.before, custom.closed - custom.before,
                (main.resized - main.before) / std::max(custom.resized - custom.before, 0.1));
    std::printf("noting the resident library pages before the main view: %.2f ms\n", main.noting);
    printKept("main view", main);
    printKept("custom-painted", custom);
    return 0;
}
