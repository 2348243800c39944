#include "ReportSending.h"

#include "VeldorBeta.h"

#include "platform/Launcher.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QUuid>

#include <zlib.h>

namespace betakit {

namespace {

// One upload with a network manager of its own (no cache, cookies or credentials shared with
// anything else), gone once the request has ended. Lives on the main thread.
class Upload final : public QObject {
public:
    Upload(const QUrl& endpoint, const QByteArray& body, std::function<void(BetaSendResult)> done)
        : m_runtime(platform::Platform::current().shared<platform::Runtime>()), m_done(std::move(done)) {
        auto* manager = new QNetworkAccessManager(this);
        QNetworkRequest request(endpoint);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(ReportSending::kUserAgent));
        m_reply = manager->post(request, body);
        m_reply->setParent(this);
        // The time-out counts from the last sign of life, so a slow line with a large report
        // still gets through; it runs on the runtime's clock.
        connect(m_reply, &QNetworkReply::uploadProgress, this, [this] { armTimeout(); });
        connect(m_reply, &QNetworkReply::downloadProgress, this, [this] { armTimeout(); });
        connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] { armTimeout(); });
        connect(m_reply, &QNetworkReply::readyRead, this, [this] { readAvailable(); });
        connect(m_reply, &QNetworkReply::finished, this, [this] { finish(); });
        armTimeout();
    }

private:
    void armTimeout() {
        if (m_timeout)
            m_timeout->cancel();
        QPointer<Upload> self(this);
        m_timeout = m_runtime->after(ReportSending::kTimeout, [self] {
            if (self && !self->m_finished) {
                self->m_timedOut = true;
                self->m_reply->abort();
            }
        });
    }

    void readAvailable() {
        armTimeout();
        if (m_tooLong) {
            m_reply->skip(m_reply->bytesAvailable());
            return;
        }
        m_body.append(m_reply->readAll());
        if (m_body.size() > ReportSending::kMaxReplyBytes) {
            m_tooLong = true;
            m_body.clear();
            m_reply->abort();
        }
    }

    void finish() {
        if (m_finished)
            return;
        m_finished = true;
        if (m_timeout)
            m_timeout->cancel();
        if (!m_tooLong)
            m_body.append(m_reply->readAll());
        const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        BetaSendResult result = BetaSendError::unreachable(m_reply->errorString());
        if (m_timedOut)
            result = BetaSendError::unreachable(ReportSending::timedOutMessage());
        else if (status.isValid())
            result = ReportSending::judge(status.toInt(), m_tooLong ? QByteArray() : m_body);
        // The manager and the reply go once the reply's signal has returned.
        deleteLater();
        m_done(std::move(result));
    }

    std::shared_ptr<platform::Runtime> m_runtime;
    std::function<void(BetaSendResult)> m_done;
    QNetworkReply* m_reply = nullptr;
    platform::WorkItemRef m_timeout;
    QByteArray m_body;
    bool m_tooLong = false;
    bool m_timedOut = false;
    bool m_finished = false;
};

} // namespace

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

void VeldorBeta::uploadReport(const QByteArray& report, const QUrl& endpoint, const QString& key,
                              std::function<void(BetaSendResult)> done) {
    const auto body = ReportSending::uploadBody(report, key);
    if (!body) {
        platform::Platform::current().runtime().async([done = std::move(done)] {
            done(BetaSendError::refused(ReportSending::packingFailedMessage()));
        });
        return;
    }
    new Upload(endpoint, *body, std::move(done));
}

void VeldorBeta::mailReport(const QByteArray& report, const BetaConfiguration& configuration,
                            const QString& subject) {
    const platform::Platform& platform = platform::Platform::current();
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
        written ? body + QStringLiteral(" (Please attach the file shown in Finder.)") : body;
    url.setQuery(QStringLiteral("subject=") + QString::fromLatin1(QUrl::toPercentEncoding(subject)) +
                     QStringLiteral("&body=") + QString::fromLatin1(QUrl::toPercentEncoding(mailBody)),
                 QUrl::StrictMode);
    if (url.isValid())
        launcher->openUrl(url);
    if (written)
        launcher->revealFile(path);
}

} // namespace betakit
