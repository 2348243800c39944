#pragma once

#include <QString>

#include <variant>

namespace betakit {

// Why a step of the updater failed. Nothing throws: each step hands one of these on.
//
// - `beta(text)`: the updater's own error (`BetaUpdateError`), a complete sentence shown as it is;
// - `network(code, description)`: the transport failed (no connection, time-out, host not found …);
// - `cancelled()`: the work was cancelled; never shown;
// - `platform(description)`: anything else the system reports (a file that can't be read, a feed
//   that isn't valid, a tool that can't be started), worded by whoever raised it.
class UpdateError {
public:
    enum class Kind { Beta, Network, Cancelled, Platform };

    static UpdateError beta(QString sentence) { return {Kind::Beta, std::move(sentence), 0}; }
    // `code` is a QNetworkReply::NetworkError, kept as its number so that this header, which every
    // step of the updater includes, leaves Qt Network to the HTTP client.
    static UpdateError network(int code, QString description) {
        return {Kind::Network, std::move(description), code};
    }
    static UpdateError cancelled() { return {Kind::Cancelled, QStringLiteral("Cancelled."), 0}; }
    static UpdateError platform(QString description) { return {Kind::Platform, std::move(description), 0}; }

    Kind kind() const { return m_kind; }
    bool isCancellation() const { return m_kind == Kind::Cancelled; }
    int networkCode() const { return m_code; }
    // A transport error that says the server could not be reached at all (refused, closed, no
    // host, timed out, no network), not that it answered amiss.
    bool couldNotReach() const;
    // The sentence of a `beta` error; otherwise the description the error came with.
    const QString& description() const { return m_text; }

    friend bool operator==(const UpdateError&, const UpdateError&) = default;

private:
    UpdateError(Kind kind, QString text, int code) : m_kind(kind), m_text(std::move(text)), m_code(code) {}

    Kind m_kind;
    QString m_text;
    int m_code;
};

// A result of the updater: the value, or why there is none.
template <typename T> class UpdateResult {
public:
    UpdateResult(T value) : m_outcome(std::move(value)) {}
    UpdateResult(UpdateError error) : m_outcome(std::move(error)) {}

    bool ok() const { return m_outcome.index() == 0; }
    const T& value() const { return std::get<0>(m_outcome); }
    const UpdateError& error() const { return std::get<1>(m_outcome); }

private:
    std::variant<T, UpdateError> m_outcome;
};

// Work of the updater that runs on the main thread and can be stopped.
class UpdateTask {
public:
    virtual ~UpdateTask() = default;
    // Stops the work; it then ends with UpdateError::cancelled() unless it has already ended.
    virtual void cancel() = 0;
};

// The maker's web domain: the default feed's host, named by the couldn't-reach sentence.
inline constexpr const char* kMakerDomain = "veldorpellrath.example";

} // namespace betakit
