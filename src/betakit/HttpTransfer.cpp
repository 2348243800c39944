#include "HttpTransfer.h"

#include "platform/Platform.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

#include <deque>
#include <set>

namespace betakit {

namespace {

int httpStatus(const QNetworkReply* reply) {
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return status.isValid() ? status.toInt() : 0;
}

bool isHttps(const QUrl& url) {
    return url.scheme().compare(u"https", Qt::CaseInsensitive) == 0;
}

// Bytes moved over time, as far as the time-out needs them: the oldest entry kept is the latest
// from which at least kMinimumBytes have moved, so the transfer is stalled `timeout` after it.
class Liveliness {
public:
    void note(double now, qint64 bytes) {
        if (bytes <= 0)
            return;
        m_moved.emplace_back(now, bytes);
        m_sum += bytes;
        while (m_moved.size() > 1 && m_sum - m_moved.front().second >= HttpTransfer::kMinimumBytes) {
            m_sum -= m_moved.front().second;
            m_moved.pop_front();
        }
    }
    double since() const { return m_moved.front().first; }

private:
    std::deque<std::pair<double, qint64>> m_moved;
    qint64 m_sum = 0;
};

} // namespace

HttpTransfer::Policy HttpTransfer::Policy::feed() {
    return {true, 20.0, 4 * 1024 * 1024, QStringLiteral("The update feed is larger than a feed can be."),
            false};
}

HttpTransfer::Policy HttpTransfer::Policy::upload() {
    return {false, 30.0, 1024 * 1024, QStringLiteral("The server’s answer is too long."), true};
}

// The QObject side of one transfer: its manager, reply and timer. Every one is listed until it
// is deleted, so releaseAll() finds them; the handle only points at it while it runs.
class HttpTransfer::Connection final : public QObject {
public:
    Connection(platform::Runtime& runtime, std::weak_ptr<HttpTransfer> handle, Policy policy,
               Handlers handlers)
        : m_runtime(runtime), m_handle(std::move(handle)), m_policy(std::move(policy)),
          m_handlers(std::move(handlers)) {
        live().insert(this);
    }
    ~Connection() override {
        live().erase(this);
        if (m_check)
            m_check->cancel();
        if (m_reply) {
            m_reply->disconnect(this);
            m_reply->abort();
        }
        detach();
    }

    static std::set<Connection*>& live() {
        static std::set<Connection*> connections;
        return connections;
    }

    void begin(const Request& request) {
        const QUrl& url = request.url;
        m_hop = url;
        noteMoved(kMinimumBytes);
        if (!isWebAddress(url)) {
            // Ended on a later turn, as every other outcome is.
            m_runtime.async([self = QPointer<Connection>(this), url] {
                if (self)
                    self->end(UpdateError::platform(QStringLiteral("“%1” isn’t an http or https address.")
                                                        .arg(url.toDisplayString())),
                              0);
            });
            return;
        }
        auto* manager = new QNetworkAccessManager(this);
        QNetworkRequest http(url);
        http.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("VeldorBetaKit/1"));
        // The bytes as the server stores them: sizes and digests are checked against those.
        http.setRawHeader(QByteArrayLiteral("Accept-Encoding"), QByteArrayLiteral("identity"));
        http.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        http.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        http.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
        http.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
        http.setAttribute(QNetworkRequest::AuthenticationReuseAttribute, QNetworkRequest::Manual);
        http.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                          m_policy.followRedirects ? QNetworkRequest::UserVerifiedRedirectPolicy
                                                   : QNetworkRequest::ManualRedirectPolicy);
        if (request.contentType.isEmpty()) {
            m_reply = manager->get(http);
        } else {
            http.setHeader(QNetworkRequest::ContentTypeHeader, request.contentType);
            m_reply = manager->post(http, request.body);
        }
        // Qt reads no further ahead than this: the body is taken as fast as the caller takes it.
        m_reply->setReadBufferSize(kReadBufferBytes);
        connect(m_reply, &QNetworkReply::redirected, this,
                [this](const QUrl& target) { redirected(target); });
        connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] { noteMoved(kMinimumBytes); });
        connect(m_reply, &QNetworkReply::uploadProgress, this, [this](qint64 sent, qint64) {
            noteMoved(sent - m_sent);
            m_sent = std::max(m_sent, sent);
        });
        connect(m_reply, &QNetworkReply::readyRead, this, [this] { onReadyRead(); });
        connect(m_reply, &QNetworkReply::finished, this, [this] { onFinished(); });
    }

    void stop(UpdateError reason) {
        if (m_ended || m_stopReason)
            return;
        m_stopReason = std::move(reason);
        if (m_reply)
            m_reply->abort(); // finished() follows, synchronously
    }

private:
    // The hop being redirected decides, not the reply's address: Qt has already moved that on.
    void redirected(const QUrl& target) {
        if (isWebAddress(target) && !(isHttps(m_hop) && !isHttps(target))) {
            m_hop = target;
            emit m_reply->redirectAllowed();
            return;
        }
        stop(UpdateError::platform(
            QStringLiteral("The server sent the request on to “%1”, which isn’t allowed.")
                .arg(target.toDisplayString())));
    }

    void noteMoved(qint64 bytes) {
        m_moved.note(m_runtime.clock().uptime(), bytes);
        if (!m_check)
            scheduleCheck(m_policy.timeout);
    }

    void scheduleCheck(double seconds) {
        m_check = m_runtime.after(seconds, [self = QPointer<Connection>(this)] {
            if (self)
                self->check();
        });
    }

    void check() {
        m_check.reset();
        if (m_ended)
            return;
        const double left = m_moved.since() + m_policy.timeout - m_runtime.clock().uptime();
        if (left <= 0)
            stop(UpdateError::network(QNetworkReply::TimeoutError, QStringLiteral("The request timed out.")));
        else
            scheduleCheck(left);
    }

    bool wantsBody() const { return m_policy.bodyOfEveryStatus || httpStatus(m_reply) == 200; }

    void onReadyRead() {
        const QByteArray chunk = m_reply->readAll();
        noteMoved(chunk.size());
        if (m_stopReason || !wantsBody())
            return;
        if (m_received + chunk.size() > m_policy.bodyLimit) {
            stop(UpdateError::beta(m_policy.tooLarge));
            return;
        }
        m_received += chunk.size();
        if (m_handlers.data) {
            if (auto error = m_handlers.data(chunk)) {
                stop(std::move(*error));
                return;
            }
        } else {
            m_body.append(chunk);
        }
        // Every chunk, against the announced length only (Qt's own progress signal is throttled,
        // and at the end it gives what arrived as the total of a body whose length was never
        // announced).
        if (m_handlers.progress) {
            const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
            m_handlers.progress(m_received, length.isValid() ? std::max<qint64>(length.toLongLong(), 0) : 0);
        }
    }

    void onFinished() {
        if (m_ended)
            return;
        const int status = httpStatus(m_reply);
        if (!m_stopReason && m_reply->error() != QNetworkReply::NoError && (status == 0 || status == 200)) {
            end(UpdateError::network(m_reply->error(), m_reply->errorString()), status);
            return;
        }
        // Whatever is still buffered belongs to the body.
        if (!m_stopReason && m_reply->bytesAvailable() > 0)
            onReadyRead();
        end(m_stopReason, status);
    }

    void end(std::optional<UpdateError> error, int status) {
        if (m_ended)
            return;
        m_ended = true;
        if (m_check) {
            m_check->cancel();
            m_check.reset();
        }
        if (m_reply)
            m_reply->disconnect(this);
        detach();
        auto finished = std::move(m_handlers.finished);
        const QByteArray body = std::move(m_body);
        m_handlers = {};
        // We may be inside one of the reply's signals now.
        deleteLater();
        if (finished)
            finished(std::move(error), status, body);
    }

    void detach() {
        if (const auto handle = m_handle.lock())
            handle->m_connection = nullptr;
        m_handle.reset();
    }

    platform::Runtime& m_runtime;
    std::weak_ptr<HttpTransfer> m_handle;
    Policy m_policy;
    Handlers m_handlers;
    QPointer<QNetworkReply> m_reply;
    QUrl m_hop;
    std::optional<UpdateError> m_stopReason;
    platform::WorkItemRef m_check;
    Liveliness m_moved;
    QByteArray m_body;
    qint64 m_received = 0;
    qint64 m_sent = 0;
    bool m_ended = false;
};

bool HttpTransfer::isWebAddress(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && (scheme == u"http" || scheme == u"https");
}

std::shared_ptr<HttpTransfer> HttpTransfer::start(platform::Runtime& runtime, Request request, Policy policy,
                                                  Handlers handlers) {
    std::shared_ptr<HttpTransfer> transfer(new HttpTransfer);
    auto* connection = new Connection(runtime, transfer, std::move(policy), std::move(handlers));
    transfer->m_connection = connection;
    connection->begin(request);
    return transfer;
}

HttpTransfer::~HttpTransfer() = default;

void HttpTransfer::cancel() {
    if (m_connection)
        m_connection->stop(UpdateError::cancelled());
}

void HttpTransfer::releaseAll() {
    auto& live = Connection::live();
    while (!live.empty())
        delete *live.begin();
}

} // namespace betakit
