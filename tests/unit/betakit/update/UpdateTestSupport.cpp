#include "UpdateTestSupport.h"

#include "betakit/update/BetaDownload.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

std::shared_ptr<betakit::UpdateTask>
downloadForCheck(const QUrl& url, std::function<void(double)> progress,
                 std::function<void(betakit::UpdateResult<QString>)> done) {
    return betakit::BetaDownload::fetch(
        platform::Platform::current(), url,
        [progress = std::move(progress)](qint64 received, qint64 total) {
            if (total >= 1 && progress)
                progress(double(received) / double(total));
        },
        std::move(done));
}

void UpdaterTest::SetUp() {
    SimPlatformTest::SetUp();
    betakit::VeldorBeta::resetForTesting();
}

void UpdaterTest::TearDown() {
    betakit::VeldorBeta::resetForTesting();
    // Transfers that ended are deleted on the event loop's next turn, which a test does not reach;
    // they hold the platform, whose temporary folder would be left behind.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SimPlatformTest::TearDown();
}

betakit::BetaConfiguration UpdaterTest::configuration() {
    betakit::BetaConfiguration config(sharedPlatform(), QStringLiteral("tile-wick"),
                                      QStringLiteral("Tilewick"), QStringLiteral("5c2e71b04d9a83f6e0b1c7d2"),
                                      {}, nullptr);
    config.updateFeed = feedUrl();
    return config;
}

QByteArray UpdaterTest::feedJson(const QString& build, const QString& url, qint64 bytes,
                                 const QString& sha256, const QString& minimum) {
    QJsonObject latest{
        {"version", "1." + build}, {"build", build}, {"url", url}, {"bytes", bytes}, {"sha256", sha256}};
    if (!minimum.isNull())
        latest.insert("minMacOS", minimum);
    const QJsonObject feed{{"app", "tile-wick"},
                           {"latest", latest},
                           {"versions", QJsonArray{QJsonObject{{"version", "1." + build},
                                                               {"build", build},
                                                               {"changes", QJsonArray{"Faster snaps."}}}}}};
    return QJsonDocument(feed).toJson(QJsonDocument::Compact);
}

betakit::UpdateFeed UpdaterTest::feed(const QString& build, const QString& url, qint64 bytes,
                                      const QString& sha256) {
    auto decoded = betakit::UpdateFeed::decode(feedJson(build, url, bytes, sha256));
    EXPECT_TRUE(decoded.ok()) << qPrintable(decoded.error().description());
    return decoded.value();
}

void UpdaterTest::setSystemName(const QString& name) {
    platform::sim::SimSystemFacts::Values values;
    values.systemName = name;
    systemFacts().setValues(values);
}

bool UpdaterTest::pumpUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(15000);
    while (!done()) {
        if (deadline.hasExpired()) {
            ADD_FAILURE() << "the condition did not come true";
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        runtime().runUntilIdle();
        QThread::usleep(200);
    }
    return true;
}

void UpdaterTest::pumpBriefly() {
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        runtime().runUntilIdle();
        QThread::usleep(500);
    }
}
