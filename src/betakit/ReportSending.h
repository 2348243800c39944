#pragma once

#include "BetaFeedback.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <variant>

namespace betakit {

// The outcome of an upload: the server's identifier of the report, or why it was not sent.
using BetaSendResult = std::variant<QString, BetaSendError>;

// The pieces of sending a report (VeldorBeta::uploadReport and VeldorBeta::mailReport put them
// together): packing, the request body, and the judgement of the server's answer.
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

} // namespace betakit
