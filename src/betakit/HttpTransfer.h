#pragma once

#include "update/UpdateError.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

namespace platform {
class Runtime;
}

namespace betakit {

// The kit's one HTTP client: the feed, the download and the report upload all go through it, on
// the main thread, and its policy lives here.
//
// - Each transfer has a network access manager of its own (no cookies, no cache, no stored
//   credentials) and sends "User-Agent: VeldorBetaKit/1" and "Accept-Encoding: identity".
// - Only http and https are asked. Redirects are followed only where the policy says so, only to
//   http or https, and never from an https hop to http; otherwise a 3xx is the server's answer.
// - Time-out: the transfer fails as timed out when fewer than kMinimumBytes moved (sent or
//   received) in the last `timeout` seconds of the runtime's clock; its start and each answer's
//   head count as that much. A silent server fails `timeout` after the last sign of life, and so
//   does one that drips a few bytes now and then.
// - Limits: the reply's read buffer is bounded (the server is read no faster than the body is
//   taken), and a body past the policy's limit stops the transfer with its `tooLarge` sentence.
//
// `finished` is called exactly once, on the main thread, unless the transfer is released first
// (releaseAll). A transfer that its owner lets go of runs on to its end.
class HttpTransfer final : public UpdateTask {
public:
    struct Policy {
        bool followRedirects = true;
        double timeout = 60;
        qint64 bodyLimit = 0;
        // The sentence of a body past `bodyLimit` (a beta error).
        QString tooLarge;
        // The body of every answer reaches the caller, not only that of a 200.
        bool bodyOfEveryStatus = false;

        // 20 s, at most 4 MiB: a feed is a few kilobytes.
        static Policy feed();
        // No redirect (the report and the key go nowhere else), 30 s, an answer of at most 1 MiB.
        static Policy upload();
    };
    static constexpr qint64 kMinimumBytes = 1024;
    static constexpr qint64 kReadBufferBytes = 256 * 1024;

    struct Request {
        QUrl url;
        // A POST with this body and content type when the type is set; a GET otherwise.
        QByteArray contentType;
        QByteArray body;
    };
    struct Handlers {
        // The body, chunk by chunk; an error stops the transfer with it. Without it the body is
        // kept and handed to `finished`.
        std::function<std::optional<UpdateError>(const QByteArray& chunk)> data;
        // Body bytes received so far and the length the server announced (0 when it announced none).
        std::function<void(qint64 received, qint64 total)> progress;
        // The end: the error, if any; the HTTP status (0 when there was no HTTP answer); the body
        // when there is no `data` handler. A status other than 200 without an error is the
        // server's answer, which each caller words.
        std::function<void(std::optional<UpdateError> error, int status, const QByteArray& body)> finished;
    };

    // `runtime` (the platform's, which outlives the transfer) times it and ends it on later turns.
    static std::shared_ptr<HttpTransfer> start(platform::Runtime& runtime, Request request, Policy policy,
                                               Handlers handlers);
    ~HttpTransfer() override;

    void cancel() override;

    // Whether the kit asks this address at all.
    static bool isWebAddress(const QUrl& url);
    // Stops every transfer at once without calling anybody back: the application is quitting, and
    // nothing of the network may be left for its teardown. Main thread.
    static void releaseAll();

private:
    class Connection;
    HttpTransfer() = default;

    Connection* m_connection = nullptr;
};

} // namespace betakit
