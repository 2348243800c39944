#include "betakit/HttpTransfer.h"
#include "betakit/VeldorBeta.h"

#include "update/LoopbackServer.h"

#include "support/SimPlatformTest.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTcpServer>
#include <QUrlQuery>

#include <zlib.h>

namespace {

using betakit::BetaConfiguration;
using betakit::BetaFeedback;
using betakit::BetaSendError;
using betakit::BetaSendResult;
using betakit::ReportSending;
using betakit::VeldorBeta;

QByteArray inflateRaw(const QByteArray& packed) {
    z_stream stream{};
    EXPECT_EQ(inflateInit2(&stream, -MAX_WBITS), Z_OK);
    QByteArray out(16 * 1024 * 1024, Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData()));
    stream.avail_in = uInt(packed.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    const int result = inflate(&stream, Z_FINISH);
    out.truncate(qsizetype(stream.total_out));
    inflateEnd(&stream);
    EXPECT_EQ(result, Z_STREAM_END);
    return out;
}

std::string describe(const BetaSendResult& result) {
    if (const auto* id = std::get_if<QString>(&result))
        return "sent " + id->toStdString();
    const auto& error = std::get<BetaSendError>(result);
    const char* kinds[] = {"refused", "unreachable", "notStarted"};
    return std::string(kinds[int(error.kind())]) + ": " + error.message().toStdString();
}

class ReportSendingTest : public SimPlatformTest {
protected:
    // Runs the event loop (the network) and the main queue until `done` holds, with a bound in
    // wall time only so that a fault cannot hang the test; nothing here waits for a designed delay.
    template <typename Predicate> bool runUntil(Predicate done) {
        const QDeadlineTimer bound(10'000);
        while (!done() && !bound.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
            runtime().runUntilIdle();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return done();
    }

    void startUpload(const QByteArray& report, const QUrl& endpoint) {
        result.reset();
        betakit::uploadReport(runtime(), report, endpoint, QStringLiteral("5c2e71b04d9a83f6e0b1c7d2"),
                              [this](BetaSendResult answer) { result = std::move(answer); });
    }
    std::string upload(const QByteArray& report, const QUrl& endpoint) {
        startUpload(report, endpoint);
        EXPECT_TRUE(runUntil([this] { return result.has_value(); }));
        return result ? describe(*result) : "no answer";
    }

    QUrl endpoint() const { return server.url(QStringLiteral("/beta/report")); }
    void answer(int status, const QByteArray& body) {
        server.serve(QStringLiteral("/beta/report"), {.status = status, .body = body});
    }

    LoopbackServer server;
    std::optional<BetaSendResult> result;
};

TEST_F(ReportSendingTest, PostsThePackedReportWithTheKey) {
    answer(200, R"({"ok":true,"id":"R-1"})");
    const QByteArray report = "{\n  \"summary\" : \"Snapping stops / ünïcödé\"\n}";
    EXPECT_EQ(upload(report, endpoint()), "sent R-1");

    ASSERT_EQ(server.requests().size(), 1);
    const LoopbackServer::Request& request = server.requests().first();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.url.path(), QStringLiteral("/beta/report"));
    EXPECT_EQ(request.headers.value("content-type"), "application/json");
    EXPECT_EQ(request.headers.value("user-agent"), "VeldorBetaKit/1");
    const QJsonObject body = QJsonDocument::fromJson(request.body).object();
    EXPECT_EQ(body.keys(), QStringList({"format", "key", "report"}));
    EXPECT_EQ(body.value(u"format").toString(), QStringLiteral("deflate+base64"));
    EXPECT_EQ(body.value(u"key").toString(), QStringLiteral("5c2e71b04d9a83f6e0b1c7d2"));
    const QByteArray packed = QByteArray::fromBase64(body.value(u"report").toString().toLatin1(),
                                                     QByteArray::AbortOnBase64DecodingErrors);
    EXPECT_FALSE(body.value(u"report").toString().contains(u'\n'));
    EXPECT_EQ(inflateRaw(packed), report);
    // Compact: no blank or line feed outside the strings.
    EXPECT_FALSE(request.body.contains(": ") || request.body.contains('\n'));
}

TEST_F(ReportSendingTest, TheAnswerIsJudgedByStatusAndReply) {
    struct Case {
        int status;
        QByteArray body;
        std::string outcome;
    };
    QByteArray deep;
    for (int i = 0; i < 2000; ++i)
        deep += "{\"a\":";
    deep += "1" + QByteArray(2000, '}');
    const QByteArray huge = R"({"ok":true,"id":"R-2","pad":")" + QByteArray(1100 * 1024, 'x') + "\"}";
    const Case cases[] = {
        {200, R"({"ok":true,"id":"R-2","extra":[1]})", "sent R-2"},
        {200, R"({"ok":true})", "refused: The server answered 200."},
        {200, R"({"ok":"true","id":"R-2"})", "refused: The server answered 200."},
        {200, R"({"ok":true,"id":7})", "refused: The server answered 200."},
        {200, R"({"ok":false,"id":"R-2","error":"Report too large."})", "refused: Report too large."},
        {403, R"({"error":"Unknown application key."})", "refused: Unknown application key."},
        {401, R"({"error":"Key revoked."})", "refused: Key revoked."},
        {404, R"({})", "refused: The server answered 404."},
        {429, R"({"error":"Slow down."})", "unreachable: Slow down."},
        {500, R"({"error":5})", "unreachable: The server answered 500."},
        {503, R"({"ok":false})", "unreachable: The server answered 503."},
        {502, "<html><body>Bad gateway</body></html>", "unreachable: The server answered 502."},
        {404, "<html><body>Not found</body></html>", "unreachable: The server answered 404."},
        {200, "[1,2]", "unreachable: The server answered 200."},
        {200, R"({"ok":tr)", "unreachable: The server answered 200."},
        {200, "", "unreachable: The server answered 200."},
        // Deeper than the parser goes, and longer than is read: no reply object.
        {200, deep, "unreachable: The server answered 200."},
        {200, huge, "unreachable: The server answered 200."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.status) + " " + c.body.left(60).toStdString());
        answer(c.status, c.body);
        EXPECT_EQ(upload("{}", endpoint()), c.outcome);
    }
    EXPECT_EQ(server.requests().size(), qsizetype(std::size(cases)));
}

// A redirect is the server's answer: neither the report nor the key goes anywhere else, and the
// send fails as for any answer it does not accept.
TEST_F(ReportSendingTest, ARedirectIsNotFollowed) {
    server.serve(QStringLiteral("/elsewhere"), {.status = 200, .body = R"({"ok":true,"id":"R-9"})"});
    for (const int status : {302, 307}) {
        SCOPED_TRACE(status);
        server.serve(
            QStringLiteral("/beta/report"),
            {.status = status, .body = "", .headers = {{"Location", server.url("/elsewhere").toEncoded()}}});
        EXPECT_EQ(upload("{}", endpoint()),
                  "unreachable: The server answered " + std::to_string(status) + ".");
    }
    ASSERT_EQ(server.requests().size(), 2);
    EXPECT_EQ(server.requests()[1].url.path(), QStringLiteral("/beta/report"));
}

TEST_F(ReportSendingTest, ARefusedConnectionIsUnreachable) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const QUrl url(QStringLiteral("http://127.0.0.1:%1/beta/report").arg(closed.serverPort()));
    closed.close();
    const std::string outcome = upload("{}", url);
    EXPECT_EQ(outcome.rfind("unreachable: ", 0), 0u) << outcome;
    EXPECT_NE(outcome.find("refused"), std::string::npos) << outcome;
}

TEST_F(ReportSendingTest, ASilentServerTimesOutAfterThirtySecondsOfTheClock) {
    server.serve(QStringLiteral("/beta/report"), {.answers = false});
    startUpload("{}", endpoint());
    ASSERT_TRUE(runUntil([this] { return !server.requests().isEmpty(); }));
    runtime().advance(betakit::HttpTransfer::Policy::upload().timeout - 0.5);
    EXPECT_FALSE(result);
    runtime().advance(0.5);
    ASSERT_TRUE(runUntil([this] { return result.has_value(); }));
    EXPECT_EQ(describe(*result), "unreachable: The request timed out.");
}

TEST_F(ReportSendingTest, AnEmptyReportIsRefusedAndNothingIsSent) {
    EXPECT_EQ(upload(QByteArray(), endpoint()), "refused: The report couldn't be packed for sending.");
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST_F(ReportSendingTest, SendBuildsTheReportNowAndUploadsItToTheEndpoint) {
    VeldorBeta::resetForTesting();
    BetaConfiguration config(sharedPlatform(), QStringLiteral("tile-wick"), QStringLiteral("Tilewick"),
                             QStringLiteral("5c2e71b04d9a83f6e0b1c7d2"), {}, nullptr);
    config.endpoint = endpoint();
    std::optional<BetaSendResult> sent;
    BetaFeedback feedback;
    feedback.summary = QStringLiteral("Sent  from\nthe kit");
    VeldorBeta::send(feedback, [&](BetaSendResult answer) { sent = std::move(answer); });
    ASSERT_TRUE(sent);
    EXPECT_EQ(describe(*sent), "notStarted: Beta feedback isn't set up in this build.");
    EXPECT_EQ(VeldorBeta::reportText(feedback), QString());

    VeldorBeta::start(config);
    logStartedElsewhere();
    sent.reset();
    answer(200, R"({"ok":true,"id":"R-3"})");
    VeldorBeta::send(feedback, [&](BetaSendResult answer) { sent = std::move(answer); });
    ASSERT_TRUE(runUntil([&] { return sent.has_value(); }));
    EXPECT_EQ(describe(*sent), "sent R-3");
    ASSERT_EQ(server.requests().size(), 1);
    const QJsonObject body = QJsonDocument::fromJson(server.requests().first().body).object();
    const QByteArray report = inflateRaw(QByteArray::fromBase64(body.value(u"report").toString().toLatin1()));
    EXPECT_EQ(QJsonDocument::fromJson(report).object().value(u"summary").toString(),
              QStringLiteral("Sent  from the kit"));
    EXPECT_EQ(VeldorBeta::reportText(feedback), QString::fromUtf8(report));
    VeldorBeta::resetForTesting();
}

class ReportMailTest : public SimPlatformTest {
protected:
    BetaConfiguration configuration() {
        return BetaConfiguration(sharedPlatform(), QStringLiteral("tile-wick"), QStringLiteral("Tilewick"),
                                 QStringLiteral("5c2e71b04d9a83f6e0b1c7d2"), {}, nullptr);
    }
    static QString readFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll())
                                              : QStringLiteral("(unreadable)");
    }
    // The report file written into the temporary folder, checked for its place and name.
    QString reportFile() {
        const QFileInfoList folders =
            QDir(paths().temporary()).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
        EXPECT_EQ(folders.size(), 1);
        if (folders.isEmpty())
            return {};
        EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(\ABeta report [0-9A-F]{8}\z)"))
                        .match(folders.first().fileName())
                        .hasMatch())
            << folders.first().fileName().toStdString();
        return folders.first().filePath() + QStringLiteral("/Tilewick beta report.json");
    }
    static QString queryItem(const QUrl& url, const QString& key) {
        return QUrlQuery(url).queryItemValue(key, QUrl::FullyDecoded);
    }

    const QByteArray report = "{\n  \"kind\" : \"idea\"\n}";
};

TEST_F(ReportMailTest, TheMailProgramGetsTheReportAttached) {
    betakit::mailReport(report, configuration(), QStringLiteral("[Tilewick beta] Idea: Thirds"));
    const QString file = reportFile();
    EXPECT_EQ(readFile(file), QString::fromUtf8(report));
    ASSERT_EQ(launcher().composed().size(), 1);
    EXPECT_EQ(launcher().composed().first(),
              (platform::MailDraft{{QStringLiteral("beta@veldorpellrath.example")},
                                   QStringLiteral("[Tilewick beta] Idea: Thirds"),
                                   QStringLiteral("My Tilewick beta report is attached."),
                                   {file}}));
    EXPECT_TRUE(launcher().opened().isEmpty());
    EXPECT_TRUE(launcher().revealed().isEmpty());
}

TEST_F(ReportMailTest, WithoutAMailProgramAMailtoMessageAndTheFileShown) {
    launcher().setMailAvailable(false);
    const QString subject = QStringLiteral("[Tilewick beta] Problem: 100% & a+b=c #1 ünï?");
    betakit::mailReport(report, configuration(), subject);
    const QString file = reportFile();
    ASSERT_EQ(launcher().opened().size(), 1);
    const QUrl url = launcher().opened().first();
    EXPECT_EQ(url.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(url.path(), QStringLiteral("beta@veldorpellrath.example"));
    EXPECT_EQ(queryItem(url, QStringLiteral("subject")), subject);
    EXPECT_EQ(
        queryItem(url, QStringLiteral("body")),
        QStringLiteral(
            "My Tilewick beta report is attached. (Please attach the file shown in the file manager.)"));
    EXPECT_EQ(launcher().revealed(), QStringList({file}));
    EXPECT_EQ(readFile(file), QString::fromUtf8(report));
}

// A report that could not be saved is neither attached nor shown; the message still goes out.
TEST_F(ReportMailTest, AFileThatCouldNotBeWrittenIsNeitherAttachedNorShown) {
    QDir().mkpath(QFileInfo(paths().temporary()).absolutePath());
    QFile blocker(paths().temporary());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be

    betakit::mailReport(report, configuration(), QStringLiteral("Subject"));
    ASSERT_EQ(launcher().composed().size(), 1);
    EXPECT_TRUE(launcher().composed().first().attachments.isEmpty());

    launcher().setMailAvailable(false);
    betakit::mailReport(report, configuration(), QStringLiteral("Subject"));
    ASSERT_EQ(launcher().opened().size(), 1);
    EXPECT_EQ(queryItem(launcher().opened().first(), QStringLiteral("body")),
              QStringLiteral("My Tilewick beta report is attached."));
    EXPECT_TRUE(launcher().revealed().isEmpty());
}

} // namespace
