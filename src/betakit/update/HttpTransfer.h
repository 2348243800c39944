#pragma once

#include "UpdateError.h"

#include "platform/Runtime.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

namespace betakit {

// One GET request of the beta kit, on the main thread.
//
// Each transfer has a network access manager of its own (no cookies, no cache, no stored
// credentials) and sends "User-Agent: VeldorBetaKit/1" without using cached data. Only http and
// https are fetched, and a redirect is followed only to http or https without going from https to
// http. The time-out is an idle time-out on the runtime's clock: the transfer fails when nothing
// arrives for that long, however long the whole transfer takes. A transfer that its owner
// releases runs on to its end; `finished` is called exactly once, on the main thread.
class HttpTransfer final : public QObject, public UpdateTask {
    Q_OBJECT
public:
    struct Handlers {
        // The body, chunk by chunk, and only of a 200 response; an error stops the transfer with it.
        std::function<std::optional<UpdateError>(const QByteArray& chunk)> data;
        // Bytes received so far and the length the server announced (0 when it announced none).
        std::function<void(qint64 received, qint64 total)> progress;
        // The end: no error means a complete 200 response. `status` is the HTTP status (0 when
        // there was no HTTP answer). A status other than 200 comes as the transfer's success with
        // that status, so each caller words it.
        std::function<void(std::optional<UpdateError> error, int status)> finished;
    };

    static std::shared_ptr<HttpTransfer> start(const QUrl& url, double idleTimeout, Handlers handlers);
    ~HttpTransfer() override;

    void cancel() override;

    // Whether the updater fetches from this address at all.
    static bool isWebAddress(const QUrl& url);

private:
    HttpTransfer(double idleTimeout, Handlers handlers);
    void begin(const QUrl& url);
    void touch();
    void checkIdle();
    void onReadyRead();
    void onFinished();
    void stop(UpdateError reason);
    void end(std::optional<UpdateError> error, int status);

    double m_idleTimeout;
    Handlers m_handlers;
    QNetworkAccessManager* m_manager = nullptr;
    QPointer<QNetworkReply> m_reply;
    std::optional<UpdateError> m_stopReason;
    platform::WorkItemRef m_idleCheck;
    double m_lastActivity = 0;
    qint64 m_received = 0;
    bool m_ended = false;
    // Keeps the transfer alive until it has ended, whoever else holds it.
    std::shared_ptr<HttpTransfer> m_self;
};

} // namespace betakit
