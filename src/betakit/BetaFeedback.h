#pragma once

#include <QString>

#include <optional>

namespace betakit {

// One piece of feedback as the user fills it in the feedback form.
struct BetaFeedback {
    enum class Kind { Problem, Confusing, Idea, Love };
    enum class Severity { Minor, Annoying, Blocking };

    Kind kind = Kind::Problem;
    std::optional<Severity> severity;
    QString summary;
    QString details;
    QString email;
    bool includeDiagnostics = false;
    bool afterCrash = false;

    friend bool operator==(const BetaFeedback&, const BetaFeedback&) = default;
};

// Why a report was not sent.
class BetaSendError {
public:
    enum class Case { Refused, Unreachable, NotStarted };

    static BetaSendError refused(QString text) { return {Case::Refused, std::move(text)}; }
    static BetaSendError unreachable(QString text) { return {Case::Unreachable, std::move(text)}; }
    static BetaSendError notStarted() { return {Case::NotStarted, {}}; }

    Case kind() const { return m_case; }
    // The sentence the user sees.
    QString message() const;

    friend bool operator==(const BetaSendError&, const BetaSendError&) = default;

private:
    BetaSendError(Case c, QString text) : m_case(c), m_text(std::move(text)) {}

    Case m_case;
    QString m_text;
};

} // namespace betakit
