// What the crash check at start costs when the reports folder is full of look-alikes: 100,000 files
// named like the program's reports ("Tilewick-<n>.ips", all older than the run marker), and then
// 100,000 files of other names beside them. Prints the time of one check, the best of five.

#include "betakit/CrashDetection.h"
#include "platform/Platform.h"
#include "platform/sim/SimPlatform.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kFiles = 100'000;
constexpr int kRounds = 5;

void fill(const QString& folder, const char* pattern) {
    QDir().mkpath(folder);
    for (int i = 0; i < kFiles; ++i) {
        const int fd = ::creat(QFile::encodeName(folder + QString::asprintf(pattern, i)).constData(), 0600);
        if (fd >= 0)
            ::close(fd);
    }
}

double bestMillis(const QString& kitFolder, const QString& reports) {
    double best = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        betakit::CrashDetection::checkCrashedLastTime(kitFolder, reports, QStringLiteral("Tilewick"));
        best = std::min(
            best,
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        // The marker of a run that did not quit, older than every report, so each one is looked at.
        const QString marker = kitFolder + QStringLiteral("/running");
        QFile file(marker);
        (void)file.open(QIODevice::ReadWrite);
        (void)file.setFileTime(QDateTime::currentDateTimeUtc().addDays(1), QFileDevice::FileModificationTime);
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    auto platform = platform::sim::makeSimPlatform();
    platform::Platform::install(platform);
    const QString reports = platform->paths().diagnosticReports();
    const QString kitFolder = platform->paths().applicationSupport() + QStringLiteral("/kit");
    QDir().mkpath(kitFolder);
    bestMillis(kitFolder, reports);

    fill(reports, "/Tilewick-%06d.ips");
    std::printf("crash check, %d look-alike reports: %.2f ms\n", kFiles, bestMillis(kitFolder, reports));
    fill(reports, "/Other-%06d.ips");
    std::printf("crash check, and %d files of other names: %.2f ms\n", kFiles,
                bestMillis(kitFolder, reports));
    platform::Platform::uninstall();
    return 0;
}
