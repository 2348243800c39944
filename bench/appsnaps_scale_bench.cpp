// The user's data at scale on the Default App Snaps page, each against a small reference measured in
// the same run:
// - a keystroke in the app picker (the search filtered, the list made again and the page drawn)
//   with 5,000 applications installed against 5: CPU time of the process, all threads, per key;
// - opening the main window on the page with 30,000 saved App Snaps (a settings value of about
//   3 MB) against none: the time from the view's making to its first picture, and the memory the
//   process holds then, each in a process of its own started afresh (the median of three).
// Run as appsnaps_scale_bench <build>/Tilewick.app so the bundled fonts are used.

#include "DrawingPlatform.h"

#include "platform/Defaults.h"
#include "platform/Platform.h"
#include "tilewick/mainwindow/MainView.h"
#include "tilewick/mainwindow/appsnaps/AppSnapsPage.h"
#include "tilewick/store/AppSnapStorage.h"
#include "tilewick/store/TilewickStore.h"

#include <QApplication>
#include <QFile>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QImage>
#include <QProcess>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace tilewick;

namespace {

constexpr int kInstalledMany = 5000, kInstalledFew = 5;
constexpr int kSnapsMany = 30000;
constexpr int kOpenRuns = 3;

double cpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) * 1e-6;
}

double wallMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Resident memory of this process in MB: now, and the most it held.
std::pair<double, double> residentMB() {
    QFile status(QStringLiteral("/proc/self/status"));
    double now = 0, peak = 0;
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n')) {
            const QList<QByteArray> parts = line.simplified().split(' ');
            if (parts.size() >= 2 && parts[0] == "VmRSS:")
                now = parts[1].toDouble() / 1024;
            else if (parts.size() >= 2 && parts[0] == "VmHWM:")
                peak = parts[1].toDouble() / 1024;
        }
    return {now, peak};
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Names as an application menu has them: words, some shared, some numbered.
QString appName(int i) {
    static const char* const words[] = {"Atlas", "Books",   "Calendar", "Draw",  "Editor",
                                        "Files", "Gallery", "Mail",     "Notes", "Paint",
                                        "Radio", "Sheets",  "Terminal", "Viewer"};
    return QString::fromLatin1(words[i % 14]) + QStringLiteral(" ") +
           QString::fromLatin1(words[(i / 14) % 14]) + QStringLiteral(" %1").arg(i);
}

// CPU milliseconds per keystroke in the picker with `count` applications: typing and deleting a
// few searches, each key filtering the list and the page drawn again.
double keystroke(int count, int argc, char** argv) {
    auto platform = bench::installDrawingPlatform(argc, argv);
    std::vector<double> costs;
    {
        TilewickStore store(*platform, StoreHooks::over(*platform));
        QList<InstalledApp> apps;
        for (int i = 0; i < count; ++i)
            apps.append(InstalledApp{QStringLiteral("org.app%1").arg(i), appName(i),
                                     QUrl::fromLocalFile(QStringLiteral("/apps/%1.desktop").arg(i)),
                                     QString()});
        store.setInstalledApps(apps);
        QGraphicsScene scene;
        auto* item =
            new AppSnapsPageItem(store, ViewServices::of(*platform), {},
                                 AppSnapsPageItem::iconsFor(store, [](const QString&) { return QIcon(); }));
        scene.addItem(item);
        QGraphicsView view(&scene);
        view.resize(956, 520);
        view.show();
        QApplication::processEvents();
        store.openAppPicker();
        QApplication::processEvents();
        const QStringList typed{QStringLiteral("e"),    QStringLiteral("ed"),    QStringLiteral("edi"),
                                QStringLiteral("ed"),   QStringLiteral("e"),     QString(),
                                QStringLiteral("n"),    QStringLiteral("no"),    QStringLiteral("not"),
                                QStringLiteral("note"), QStringLiteral("notes"), QStringLiteral("notes 4")};
        for (int round = 0; round < 5; ++round)
            for (const QString& query : typed) {
                const double start = cpuMs();
                store.setAppPickerQuery(query);
                QApplication::sendPostedEvents();
                view.viewport()->repaint();
                costs.push_back(cpuMs() - start);
            }
    }
    platform::Platform::uninstall();
    return median(costs);
}

// In a process of its own: the main window's view made on the page with `count` saved snaps and
// drawn once. Prints the milliseconds and the resident MB then.
int openPage(int count, int argc, char** argv) {
    auto platform = bench::installDrawingPlatform(argc, argv);
    {
        QList<AppSnap> snaps;
        for (int i = 0; i < count; ++i)
            snaps.append(AppSnap{QStringLiteral("org.example.application%1").arg(i), appName(i),
                                 SnapAction(i % 43), i % 3 == 0, std::nullopt, std::nullopt});
        // Saved as the program saves them, and read back by the store as at start.
        DefaultsAppSnapStorage(platform->defaults()).save(snaps);
        snaps.clear();
        TilewickStore store(*platform, StoreHooks::over(*platform));
        store.setTab(SnapTab::appSnaps);
        QImage image(QSize(956, 891), QImage::Format_ARGB32_Premultiplied);
        const double start = wallMs();
        MainView view(store, ViewServices::of(*platform));
        view.resize(956, 891);
        view.render(&image);
        const double elapsed = wallMs() - start;
        std::printf("%.3f %.1f\n", elapsed, residentMB().first);
    }
    platform::Platform::uninstall();
    return 0;
}

struct Opened {
    double ms = 0;
    double mb = 0;
};

Opened openInChild(const char* program, const char* appPath, int count) {
    std::vector<double> ms, mb;
    for (int run = 0; run < kOpenRuns; ++run) {
        QProcess child;
        child.start(QString::fromLocal8Bit(program),
                    {QString::fromLocal8Bit(appPath), QStringLiteral("--open"), QString::number(count)});
        child.waitForFinished(120000);
        const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
        if (figures.size() != 2) {
            std::fprintf(stderr, "the page with %d snaps did not open\n", count);
            return {};
        }
        ms.push_back(figures[0].toDouble());
        mb.push_back(figures[1].toDouble());
    }
    return {median(ms), median(mb)};
}

// The offscreen platform's word on every window shown says nothing about the figures.
void quietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (!message.contains(QLatin1String("propagateSizeHints")))
        qt_message_output(type, context, message);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietOffscreen);
    QApplication app(argc, argv);
    if (argc > 3 && QByteArray(argv[2]) == "--open")
        return openPage(QByteArray(argv[3]).toInt(), 2, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: appsnaps_scale_bench <build>/Tilewick.app\n");
        return 2;
    }

    const double few = keystroke(kInstalledFew, argc, argv);
    const double many = keystroke(kInstalledMany, argc, argv);
    std::printf("app picker, one keystroke (CPU, median):\n");
    std::printf("  %5d applications  %7.2f ms\n", kInstalledFew, few);
    std::printf("  %5d applications  %7.2f ms   ratio %.2f   (a frame: 16.7 ms)\n", kInstalledMany, many,
                many / few);

    const Opened none = openInChild(argv[0], argv[1], 0);
    const Opened lots = openInChild(argv[0], argv[1], kSnapsMany);
    std::printf("main window opened on Default App Snaps, made and drawn (median of %d processes):\n",
                kOpenRuns);
    std::printf("  %5d saved snaps  %7.1f ms  %6.1f MB resident\n", 0, none.ms, none.mb);
    std::printf("  %5d saved snaps  %7.1f ms  %6.1f MB resident   ratio %.2f in time, %.2f in memory\n",
                kSnapsMany, lots.ms, lots.mb, lots.ms / none.ms, lots.mb / none.mb);
    return 0;
}
