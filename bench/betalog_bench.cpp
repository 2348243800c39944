// Cost of BetaLog::event on the caller's thread, and how many lines per second reach the day
// files, on the real Qt runtime (a worker thread for the log queue, the system clock).
//
// Each round logs into a fresh folder so the daily cap never drops lines being measured.

#include "betakit/BetaLog.h"
#include "betakit/LogStore.h"
#include "platform/Platform.h"
#include "platform/qt/QtRuntime.h"
#include "tilewick/model/SnapAction.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace betakit;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 5;
constexpr int kLinesPerRound = 20'000; // about 1.4 MB: well under the daily cap

void logOne(int i) {
    const auto action = tilewick::allSnapActions()[std::size_t(i % tilewick::kSnapActionCount)];
    BetaLog::event("snap", {{"layout", BetaValue::fromCase(action)}, {"displays", 2}, {"moved", true}});
}

qint64 linesOnDisk(const QString& folder) {
    qint64 count = 0;
    for (const QString& name : QDir(folder).entryList({"activity-*.log"}, QDir::Files)) {
        QFile f(folder + "/" + name);
        if (f.open(QIODevice::ReadOnly))
            count += f.readAll().count('\n');
    }
    return count;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    auto platform = std::make_shared<platform::Platform>();
    platform->provide<platform::Runtime>(std::make_shared<platform::qt::QtRuntime>());
    platform::Platform::install(platform);
    QTemporaryDir root;
    LogStore& store = LogStore::shared();

    // Warm up: the first call creates the queue's worker and the tables.
    store.start(root.filePath("warmup"));
    for (int i = 0; i < 2000; ++i)
        logOne(i);
    store.flush();

    // Caller's cost, call by call.
    std::vector<double> nanos;
    nanos.reserve(kRounds * kLinesPerRound);
    for (int round = 0; round < kRounds; ++round) {
        store.start(root.filePath(QString("latency-%1").arg(round)));
        for (int i = 0; i < kLinesPerRound; ++i) {
            const auto t0 = Clock::now();
            logOne(i);
            const auto t1 = Clock::now();
            nanos.push_back(double(std::chrono::duration_cast<std::chrono::nanoseconds>(t1 - t0).count()));
        }
        store.flush();
    }
    std::sort(nanos.begin(), nanos.end());
    const auto at = [&](double q) { return nanos[std::size_t(q * double(nanos.size() - 1))] / 1000.0; };
    double sum = 0;
    for (double n : nanos)
        sum += n;
    std::printf("BetaLog::event on the caller's thread, %zu calls:\n", nanos.size());
    std::printf("  median %.3f us   p99 %.3f us   mean %.3f us   max %.1f us   (target: median < 2 us)\n",
                at(0.5), at(0.99), sum / double(nanos.size()) / 1000.0, nanos.back() / 1000.0);

    // Lines reaching disk: from the first call until flush() returns.
    qint64 written = 0;
    double seconds = 0;
    for (int round = 0; round < kRounds; ++round) {
        const QString folder = root.filePath(QString("throughput-%1").arg(round));
        store.start(folder);
        const auto t0 = Clock::now();
        for (int i = 0; i < kLinesPerRound; ++i)
            logOne(i);
        store.flush();
        seconds += std::chrono::duration<double>(Clock::now() - t0).count();
        written += linesOnDisk(folder);
    }
    std::printf("Lines reaching disk: %lld lines in %.3f s = %.0f lines/s   (target: > 200000)\n",
                static_cast<long long>(written), seconds, double(written) / seconds);
    if (written != qint64(kRounds) * kLinesPerRound)
        std::printf("  warning: %lld lines were expected on disk\n",
                    static_cast<long long>(kRounds) * kLinesPerRound);

    LogStore::resetSharedForTesting();
    platform::Platform::uninstall();
    return 0;
}
