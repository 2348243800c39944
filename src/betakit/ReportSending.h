#pragma once

#include "BetaFeedback.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>

#include <optional>
#include <variant>

namespace platform {
class Runtime;
}

namespace betakit {

struct BetaConfiguration;

// The outcome of an upload: the server's identifier of the report, or why it was not sent.
using BetaSendResult = std::variant<QString, BetaSendError>;

// The pieces of sending a report (uploadReport and mailReport below put them together): packing, the request
// body, and the judgement of the server's answer.
class ReportSending {
public:
    ReportSending() = delete;

    static constexpr const char* kFormat = "deflate+base64";

    // A raw DEFLATE stream (no header, no checksum); none when `data` is empty or packing fails:
    // an empty report is never sent.
    static std::optional<QByteArray> deflateRaw(const QByteArray& data);
    // {"format":"deflate+base64","key":…,"report":<packed, Base64>}, compact; none when the
    // report can't be packed.
    static std::optional<QByteArray> uploadBody(const QByteArray& report, const QString& key);
    // Success needs status 200 and a JSON object with "ok" true and a string "id". Otherwise the
    // object's string "error", or "The server answered <status>.", is the message: unreachable
    // for 429 and 5xx and for an answer that is not a JSON object, refused for the rest.
    static BetaSendResult judge(int status, const QByteArray& body);

    static QString packingFailedMessage() {
        return QStringLiteral("The report couldn't be packed for sending.");
    }
};

// Posts `report` (packed) to `endpoint` with the application key; `done` gets the outcome on the
// main thread, always on a later turn. An empty report is refused without a request. No redirect
// is followed: a 3xx is judged as the server's answer, like any other it does not accept.
// `runtime` (the platform's) drives the transfer.
void uploadReport(platform::Runtime& runtime, const QByteArray& report, const QUrl& endpoint,
                  const QString& key, std::function<void(BetaSendResult)> done);
// Saves `report` as "<appName> beta report.json" in a new folder "Beta report XXXXXXXX" of the
// temporary folder and hands it to the mail program, addressed to the feedback address; when no
// mail program takes it with the attachment, opens a mailto: message and shows the file in the
// file manager. A file that could not be written is neither attached nor shown.
void mailReport(const QByteArray& report, const BetaConfiguration& configuration, const QString& subject);

} // namespace betakit
