// What pressing Send costs before anything goes on the wire: building a beta report with
// diagnostics (settings, three crash reports, and the activity log's full 2 MB day read back within
// the report's budget, each line scrubbed), then packing it for the upload. Real Qt runtime (the
// log is read on its queue's worker), realistic identity values.

#include "betakit/BetaFeedback.h"
#include "betakit/BetaScrubber.h"
#include "betakit/LogStore.h"
#include "betakit/ReportBuilder.h"
#include "betakit/ReportSending.h"
#include "betakit/VeldorBeta.h"
#include "platform/Platform.h"
#include "platform/qt/QtRuntime.h"
#include "platform/sim/FixedPaths.h"
#include "platform/sim/MemoryDefaults.h"
#include "platform/sim/SimBundle.h"
#include "platform/sim/SimIdentity.h"
#include "platform/sim/SimSystemFacts.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace betakit;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 15;

// Milliseconds of each run of `work`, sorted.
std::vector<double> timed(int rounds, const std::function<void()>& work) {
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = Clock::now();
        work();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms;
}

void print(const char* what, const std::vector<double>& ms) {
    std::printf("  %-52s median %7.1f ms   max %7.1f ms\n", what, ms[ms.size() / 2], ms.back());
}

// A day file of `bytes` of well-formed lines ending just before `nowMillis`; one line in forty
// carries the user's name, so the scrubber has real work.
void writeDay(const QString& folder, qint64 nowMillis, qint64 bytes) {
    QDir().mkpath(folder);
    const QString day = QString::fromLatin1(LogStore::stamp(nowMillis).substr(0, 10));
    QFile file(folder + u'/' + LogStore::dayFileName(day));
    if (!file.open(QIODevice::WriteOnly))
        return;
    QByteArray content;
    const qint64 startMillis = nowMillis - 3'600'000;
    for (int i = 0; content.size() < bytes - 200; ++i) {
        const std::string stamp = LogStore::stamp(startMillis + i * 50);
        content += QByteArray::fromStdString(stamp);
        content += (i % 40 == 0) ? " window.moved app=jdoe-notes from=192.168.1.20 layout=left_half\n"
                                 : " snap layout=left_half displays=2 moved=true duration=0.012\n";
    }
    file.write(content);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    auto platform = std::make_shared<platform::Platform>();
    auto paths = std::make_shared<platform::sim::FixedPaths>();
    platform->provide<platform::Runtime>(std::make_shared<platform::qt::QtRuntime>());
    platform->provide<platform::Paths>(paths);
    auto defaults = std::make_shared<platform::sim::MemoryDefaults>();
    platform->provide<platform::Defaults>(defaults);
    platform->provide<platform::Bundle>(
        std::make_shared<platform::sim::SimBundle>(paths->root() + "/Tilewick.app"));
    platform->provide<platform::Identity>(
        std::make_shared<platform::sim::SimIdentity>(platform::sim::SimIdentityValues{
            "/home/jdoe",
            "jdoe",
            "Jane Q Doe",
            QStringLiteral("Jane's Desk"),
            QStringLiteral("janes-desk"),
            {"6f1c2a9e0b7d4c3a8e5f1029384756ab", "4c4c4544-0042-3510-8052-b4c04f4b4e31", "C02XK1ABJG5H"}}));
    platform->provide<platform::SystemFacts>(std::make_shared<platform::sim::SimSystemFacts>());
    platform::Platform::install(platform);

    defaults->set("keyboardOverlay", true);
    defaults->set("modifiers", quint64(1572864));
    defaults->set("lastTab", QStringLiteral("halves"));
    defaults->set("bindingsVersion", qint64(6));
    BetaConfiguration config(platform, "tile-wick", "Tilewick", "5c2e71b04d9a83f6e0b1c7d2",
                             {"keyboardOverlay", "modifiers", "lastTab", "bindingsVersion"}, [] {
                                 return std::vector<BetaPair>{{"launchAtLogin", true},
                                                              {"accessibilityAllowed", true},
                                                              {"hotkeysActive", true}};
                             });

    const qint64 now = platform->clock().wallMillis();
    const QString logFolder = paths->root() + "/log";
    writeDay(logFolder, now, LogStore::kDailyCap);
    LogStore::shared().start(logFolder);
    QDir().mkpath(paths->diagnosticReports());
    for (int i = 0; i < 3; ++i) {
        const QString path = paths->diagnosticReports() + QString("/Tilewick-%1.ips").arg(i);
        QFile::copy(TILEWICK_SOURCE_DIR "/tests/data/crash-reports/example.ips", path);
    }

    BetaFeedback feedback;
    feedback.summary = "Snapping stops after sleep";
    feedback.details = QString("I was moving /home/jdoe/Documents/plan.txt on janes-desk when Jane Q Doe "
                               "saw the window jump. ")
                           .repeated(200)
                           .left(20'000);
    feedback.email = "jane@example.org";
    feedback.includeDiagnostics = true;

    QByteArray report;
    const auto build = [&] { report = ReportBuilder::build(feedback, config, now, BetaScrubber(*platform)); };
    build(); // warm up: patterns compiled, files in the page cache
    std::printf("Beta report with diagnostics and a full %lld-byte log day (%d rounds):\n",
                static_cast<long long>(LogStore::kDailyCap), kRounds);
    const auto whole = timed(kRounds, build);
    print("build (the report shown and sent)", whole);
    const QString log =
        QJsonDocument::fromJson(report).object().value("diagnostics").toObject().value("log").toString();
    std::printf("  report: %lld bytes, %lld of them the log's %lld lines\n",
                static_cast<long long>(report.size()), static_cast<long long>(log.toUtf8().size()),
                static_cast<long long>(log.count(u'\n') + 1));

    QStringList lines;
    std::printf("The log alone, with the whole budget:\n");
    print("reading the log back",
          timed(kRounds, [&] { lines = LogStore::shared().recentLines(ReportBuilder::kLogBudget, now); }));
    const BetaScrubber scrubber(*platform);
    print("scrubbing its lines one by one", timed(kRounds, [&] {
              for (const QString& line : lines)
                  (void)scrubber.scrubLogLine(line);
          }));
    print("packing for the upload (deflate, Base64, JSON)",
          timed(kRounds, [&] { (void)ReportSending::uploadBody(report, config.appKey); }));
    std::printf(
        "  target: build and packing together well under 1000 ms (it runs when the user presses Send)\n");

    LogStore::resetSharedForTesting();
    platform::Platform::uninstall();
    return 0;
}
