#pragma once

#include "LoopbackServer.h"

#include "betakit/VeldorBeta.h"
#include "betakit/update/UpdateFeed.h"

#include "support/SimPlatformTest.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

// The download of `url` as the tests drive it: the fraction received (when the server announces a
// length) and the archive's path, or why not.
std::shared_ptr<betakit::UpdateTask>
downloadForCheck(const QUrl& url, std::function<void(double)> progress,
                 std::function<void(betakit::UpdateResult<QString>)> done);

// Shared by the updater's tests: the kit's configuration pointed at a loopback server, feed
// documents, and a way to wait for network work.
class UpdaterTest : public SimPlatformTest {
public:
    // A feed document offering `build` at `url` with this size and digest.
    static QByteArray feedJson(const QString& build,
                               const QString& url = QStringLiteral("https://example.com/a.zip"),
                               qint64 bytes = 10, const QString& sha256 = QString(64, u'0'),
                               const QString& minimum = QString());
    static betakit::UpdateFeed feed(const QString& build,
                                    const QString& url = QStringLiteral("https://example.com/a.zip"),
                                    qint64 bytes = 10, const QString& sha256 = QString(64, u'0'));

protected:
    void SetUp() override;
    void TearDown() override;

    // The program's configuration with its feed on the loopback server at /updates/tile-wick.json.
    betakit::BetaConfiguration configuration();
    QUrl feedUrl() const { return server.url(QStringLiteral("/updates/tile-wick.json")); }

    // The running system's name as the system facts give it.
    void setSystemName(const QString& name);

    // Lets Qt's events (the network) and the virtual runtime's due work run until `done` holds;
    // fails the test when it does not within a few seconds of real time. No designed delay is
    // waited out here: only real input and output.
    bool pumpUntil(const std::function<bool()>& done);
    // Lets the network and the runtime run for a moment without a condition.
    void pumpBriefly();

    LoopbackServer server;
};
