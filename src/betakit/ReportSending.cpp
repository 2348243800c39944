#include "ReportSending.h"

#include "BetaConfiguration.h"

#include "HttpTransfer.h"

#include "platform/Launcher.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

#include <zlib.h>

namespace betakit {

QString BetaSendError::message() const {
    return m_case == Case::NotStarted ? QStringLiteral("Beta feedback isn't set up in this build.") : m_text;
}

std::optional<QByteArray> ReportSending::deflateRaw(const QByteArray& data) {
    if (data.isEmpty())
        return std::nullopt;
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return std::nullopt;
    QByteArray out(qsizetype(deflateBound(&stream, uLong(data.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    const int result = deflate(&stream, Z_FINISH);
    const qsizetype written = qsizetype(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END)
        return std::nullopt;
    out.truncate(written);
    return out;
}

std::optional<QByteArray> ReportSending::uploadBody(const QByteArray& report, const QString& key) {
    const auto packed = deflateRaw(report);
    if (!packed)
        return std::nullopt;
    QJsonObject body{{QStringLiteral("format"), QLatin1String(kFormat)},
                     {QStringLiteral("key"), key},
                     {QStringLiteral("report"), QString::fromLatin1(packed->toBase64())}};
    return QJsonDocument(body).toJson(QJsonDocument::Compact);
}

BetaSendResult ReportSending::judge(int status, const QByteArray& body) {
    // Qt's parser refuses nesting deeper than its limit, so such an answer is no object either.
    const QJsonDocument document = QJsonDocument::fromJson(body);
    const bool hasObject = document.isObject();
    const QJsonObject reply = document.object();
    if (status == 200 && hasObject && reply.value(u"ok") == QJsonValue(true) && reply.value(u"id").isString())
        return reply.value(u"id").toString();
    const QJsonValue error = reply.value(u"error");
    const QString message = hasObject && error.isString()
                                ? error.toString()
                                : QStringLiteral("The server answered %1.").arg(status);
    if (status >= 500 || status == 429 || !hasObject)
        return BetaSendError::unreachable(message);
    return BetaSendError::refused(message);
}

void uploadReport(platform::Runtime& runtime, const QByteArray& report, const QUrl& endpoint,
                  const QString& key, std::function<void(BetaSendResult)> done) {
    const auto body = ReportSending::uploadBody(report, key);
    if (!body) {
        runtime.async([done = std::move(done)] {
            done(BetaSendError::refused(ReportSending::packingFailedMessage()));
        });
        return;
    }
    HttpTransfer::Handlers handlers;
    handlers.finished = [done = std::move(done)](std::optional<UpdateError> error, int status,
                                                 const QByteArray& reply) {
        // The only sentence of the kit's own the client ends an answer with: it is too long to be read.
        if (error && error->kind() == UpdateError::Kind::Beta && status != 0)
            done(ReportSending::judge(status, QByteArray()));
        else if (error)
            done(BetaSendError::unreachable(error->description()));
        else
            done(ReportSending::judge(status, reply));
    };
    HttpTransfer::start(runtime, {endpoint, QByteArrayLiteral("application/json"), *body},
                        HttpTransfer::Policy::upload(), std::move(handlers));
}

void mailReport(const QByteArray& report, const BetaConfiguration& configuration, const QString& subject) {
    const platform::Platform& platform = *configuration.platform();
    const QString folder = platform.paths().temporary() + QStringLiteral("/Beta report ") +
                           QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper().first(8);
    const QString path = folder + u'/' + configuration.appName + QStringLiteral(" beta report.json");
    // Only a file that is there whole is attached or shown.
    bool written = false;
    if (QDir().mkpath(folder)) {
        QFile file(path);
        written =
            file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(report) == report.size();
        written = file.flush() && written;
        file.close();
        written = written && file.error() == QFileDevice::NoError;
    }

    auto* launcher = platform.find<platform::Launcher>();
    if (!launcher)
        return;
    const QString body =
        QStringLiteral("My ") + configuration.appName + QStringLiteral(" beta report is attached.");
    platform::MailDraft draft{{configuration.feedbackAddress}, subject, body, {}};
    if (written)
        draft.attachments.append(path);
    if (launcher->composeMail(draft))
        return;

    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(configuration.feedbackAddress);
    // Every character but the unreserved ones encoded, so "&", "=", "+" and "%" in the subject
    // stay text.
    const QString mailBody =
        written ? body + QStringLiteral(" (Please attach the file shown in the file manager.)") : body;
    url.setQuery(QStringLiteral("subject=") + QString::fromLatin1(QUrl::toPercentEncoding(subject)) +
                     QStringLiteral("&body=") + QString::fromLatin1(QUrl::toPercentEncoding(mailBody)),
                 QUrl::StrictMode);
    if (url.isValid())
        launcher->openUrl(url);
    if (written)
        launcher->revealFile(path);
}

} // namespace betakit
