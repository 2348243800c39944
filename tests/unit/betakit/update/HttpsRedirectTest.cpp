#include "betakit/update/BetaDownload.h"
#include "betakit/update/FeedFetch.h"
#include "betakit/update/UpdateModel.h"

#include "UpdateTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSslConfiguration>
#include <QTemporaryDir>

namespace {

using betakit::UpdateFeed;
using betakit::UpdateResult;

// A certificate authority made for this run and trusted by this process alone, and an https
// server on the loopback address whose certificate it signed.
class HttpsRedirect : public UpdaterTest {
protected:
    void SetUp() override {
        UpdaterTest::SetUp();
        m_trusted = QSslConfiguration::defaultConfiguration();
        const QString dir = m_keys.path();
        const auto openssl = [&](const QStringList& arguments) {
            QProcess process;
            process.setWorkingDirectory(dir);
            process.start(QStringLiteral("openssl"), arguments);
            return process.waitForFinished(30000) && process.exitCode() == 0;
        };
        QFile extensions(dir + "/server.ext");
        ASSERT_TRUE(extensions.open(QIODevice::WriteOnly));
        extensions.write("subjectAltName=IP:127.0.0.1\nextendedKeyUsage=serverAuth\n");
        extensions.close();
        const QStringList ec{"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
        ASSERT_TRUE(
            openssl(QStringList{"req", "-x509"} + ec +
                    QStringList{"-keyout", "ca.key", "-out", "ca.pem", "-days", "2", "-subj",
                                "/CN=Tilewick Test CA", "-addext", "basicConstraints=critical,CA:TRUE",
                                "-addext", "keyUsage=critical,keyCertSign"}));
        ASSERT_TRUE(
            openssl(QStringList{"req"} + ec +
                    QStringList{"-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=127.0.0.1"}));
        ASSERT_TRUE(
            openssl({"x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                     "-CAcreateserial", "-out", "server.pem", "-days", "2", "-extfile", "server.ext"}));

        QSslConfiguration trusting = m_trusted;
        trusting.addCaCertificates(QSslCertificate::fromPath(dir + "/ca.pem"));
        QSslConfiguration::setDefaultConfiguration(trusting);
        m_https.emplace(LoopbackServer::Tls{QSslKey(readFile(dir + "/server.key"), QSsl::Ec),
                                            QSslCertificate(readFile(dir + "/server.pem"))});
    }
    void TearDown() override {
        m_https.reset();
        QSslConfiguration::setDefaultConfiguration(m_trusted);
        UpdaterTest::TearDown();
    }
    QByteArray readFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // The https server answers `path` by sending the client on to `target`.
    void redirect(const QString& path, const QUrl& target) {
        m_https->serve(path, {302, {}, true, -1, {{"Location", target.toEncoded()}}});
    }
    std::optional<UpdateResult<UpdateFeed>> fetchFeed(const QUrl& url) {
        auto config = configuration();
        config.updateFeed = url;
        std::optional<UpdateResult<UpdateFeed>> result;
        m_task =
            betakit::fetchFeed(config, [&](UpdateResult<UpdateFeed> r) { result.emplace(std::move(r)); });
        pumpUntil([&] { return result.has_value(); });
        return result;
    }
    std::optional<UpdateResult<QString>> download(const QUrl& url) {
        std::optional<UpdateResult<QString>> result;
        m_task =
            downloadForCheck(url, nullptr, [&](UpdateResult<QString> r) { result.emplace(std::move(r)); });
        pumpUntil([&] { return result.has_value(); });
        return result;
    }

    QTemporaryDir m_keys;
    QSslConfiguration m_trusted;
    std::optional<LoopbackServer> m_https;
    std::shared_ptr<betakit::UpdateTask> m_task;
};

TEST_F(HttpsRedirect, IsFollowedToHttpsAndNeverToPlainHttp) {
    // The plain server (`server`) holds the same documents as the https one.
    for (LoopbackServer* each : {&server, &*m_https}) {
        each->serve("/feed.json", {200, feedJson("122")});
        each->serve("/a.zip", {200, "archive"});
    }
    redirect("/updates/tile-wick.json", m_https->url("/feed.json"));
    redirect("/moved.zip", m_https->url("/a.zip"));
    const auto feed = fetchFeed(m_https->url("/updates/tile-wick.json"));
    ASSERT_TRUE(feed && feed->ok()) << qPrintable(feed->error().description());
    EXPECT_EQ(feed->value().latest.build, "122");
    const auto archive = download(m_https->url("/moved.zip"));
    ASSERT_TRUE(archive && archive->ok()) << qPrintable(archive->error().description());
    QFile::remove(archive->value());

    redirect("/updates/tile-wick.json", server.url("/feed.json"));
    redirect("/moved.zip", server.url("/a.zip"));
    const QString refused = QString("The server sent the request on to “%1”, which isn’t allowed.");
    const auto downgradedFeed = fetchFeed(m_https->url("/updates/tile-wick.json"));
    ASSERT_TRUE(downgradedFeed && !downgradedFeed->ok());
    EXPECT_EQ(betakit::updateErrorText(downgradedFeed->error()),
              refused.arg(server.url("/feed.json").toString()));
    const auto downgradedArchive = download(m_https->url("/moved.zip"));
    ASSERT_TRUE(downgradedArchive && !downgradedArchive->ok());
    EXPECT_EQ(betakit::updateErrorText(downgradedArchive->error()),
              refused.arg(server.url("/a.zip").toString()));
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_TRUE(QDir(paths().temporary()).entryList({"beta-update-*.zip"}, QDir::Files).isEmpty());
}

} // namespace
