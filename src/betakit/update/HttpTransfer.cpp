#include "HttpTransfer.h"

#include "platform/Platform.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace betakit {

namespace {

int httpStatus(const QNetworkReply* reply) {
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return status.isValid() ? status.toInt() : 0;
}

} // namespace

bool HttpTransfer::isWebAddress(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && (scheme == u"http" || scheme == u"https");
}

std::shared_ptr<HttpTransfer> HttpTransfer::start(const QUrl& url, double idleTimeout, Handlers handlers) {
    std::shared_ptr<HttpTransfer> transfer(new HttpTransfer(idleTimeout, std::move(handlers)));
    transfer->m_self = transfer;
    transfer->begin(url);
    return transfer;
}

HttpTransfer::HttpTransfer(double idleTimeout, Handlers handlers)
    : m_idleTimeout(idleTimeout), m_handlers(std::move(handlers)) {}

HttpTransfer::~HttpTransfer() {
    if (m_idleCheck)
        m_idleCheck->cancel();
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void HttpTransfer::begin(const QUrl& url) {
    if (!isWebAddress(url)) {
        // Ended on a later turn, as every other outcome is.
        platform::Platform::current().runtime().async([self = m_self, url] {
            self->end(UpdateError::platform(
                          QStringLiteral("“%1” isn’t an http or https address.").arg(url.toDisplayString())),
                      0);
        });
        return;
    }
    m_manager = new QNetworkAccessManager(this);
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("VeldorBetaKit/1"));
    // The bytes as the server stores them: sizes and digests are checked against those.
    request.setRawHeader(QByteArrayLiteral("Accept-Encoding"), QByteArrayLiteral("identity"));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::AuthenticationReuseAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    m_reply = m_manager->get(request);
    connect(m_reply, &QNetworkReply::redirected, this, [this](const QUrl& target) {
        const bool downgrade =
            m_reply->url().scheme().toLower() == u"https" && target.scheme().toLower() != u"https";
        if (isWebAddress(target) && !downgrade)
            emit m_reply->redirectAllowed();
        else
            stop(UpdateError::platform(
                QStringLiteral("The server sent the request on to “%1”, which isn’t allowed.")
                    .arg(target.toDisplayString())));
    });
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] { touch(); });
    connect(m_reply, &QNetworkReply::readyRead, this, [this] { onReadyRead(); });
    connect(m_reply, &QNetworkReply::finished, this, [this] { onFinished(); });
    touch();
}

void HttpTransfer::touch() {
    auto& runtime = platform::Platform::current().runtime();
    m_lastActivity = runtime.clock().uptime();
    if (m_idleCheck)
        return;
    // One check at a time: it looks again for as long as something arrived in the meantime.
    m_idleCheck = runtime.after(m_idleTimeout, [this, weak = std::weak_ptr<HttpTransfer>(m_self)] {
        if (const auto self = weak.lock())
            self->checkIdle();
    });
}

void HttpTransfer::checkIdle() {
    m_idleCheck.reset();
    if (m_ended || !m_reply)
        return;
    auto& runtime = platform::Platform::current().runtime();
    const double idle = runtime.clock().uptime() - m_lastActivity;
    if (idle >= m_idleTimeout) {
        stop(UpdateError::network(QNetworkReply::TimeoutError, QStringLiteral("The request timed out.")));
        return;
    }
    m_idleCheck = runtime.after(m_idleTimeout - idle, [weak = std::weak_ptr<HttpTransfer>(m_self)] {
        if (const auto self = weak.lock())
            self->checkIdle();
    });
}

void HttpTransfer::onReadyRead() {
    touch();
    const QByteArray chunk = m_reply->readAll();
    // Only the body of a 200 answer is anybody's business.
    if (m_stopReason || httpStatus(m_reply) != 200)
        return;
    if (m_handlers.data)
        if (auto error = m_handlers.data(chunk)) {
            stop(std::move(*error));
            return;
        }
    m_received += chunk.size();
    // Every chunk, against the announced length only (Qt's own progress signal is throttled, and
    // at the end it gives what arrived as the total of a body whose length was never announced).
    if (m_handlers.progress) {
        const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
        m_handlers.progress(m_received, length.isValid() ? std::max<qint64>(length.toLongLong(), 0) : 0);
    }
}

void HttpTransfer::onFinished() {
    if (m_ended)
        return;
    if (m_stopReason) {
        end(m_stopReason, 0);
        return;
    }
    const int status = httpStatus(m_reply);
    if (status != 0 && status != 200) {
        end(std::nullopt, status);
        return;
    }
    if (m_reply->error() != QNetworkReply::NoError) {
        end(UpdateError::network(m_reply->error(), m_reply->errorString()), status);
        return;
    }
    // Whatever is still buffered belongs to the body.
    if (m_reply->bytesAvailable() > 0)
        onReadyRead();
    end(m_stopReason, m_stopReason ? 0 : status);
}

void HttpTransfer::cancel() {
    stop(UpdateError::cancelled());
}

void HttpTransfer::stop(UpdateError reason) {
    if (m_ended || m_stopReason)
        return;
    m_stopReason = std::move(reason);
    if (m_reply)
        m_reply->abort(); // finished() follows, synchronously
}

void HttpTransfer::end(std::optional<UpdateError> error, int status) {
    if (m_ended)
        return;
    m_ended = true;
    if (m_idleCheck) {
        m_idleCheck->cancel();
        m_idleCheck.reset();
    }
    if (m_reply)
        m_reply->disconnect(this);
    auto finished = std::move(m_handlers.finished);
    m_handlers = {};
    // Let go of ourselves on a later turn: we may be inside one of the reply's signals now.
    platform::Platform::current().runtime().async([self = std::move(m_self)] {});
    if (finished)
        finished(std::move(error), status);
}

} // namespace betakit
