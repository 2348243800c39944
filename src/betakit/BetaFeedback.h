#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace betakit {

// One piece of feedback as the user fills it in the feedback form.
struct BetaFeedback {
    enum class Kind { Problem, Confusing, Idea, Love };
    enum class Severity { Minor, Annoying, Blocking };

    // Both limits count user-perceived characters.
    static constexpr qsizetype summaryLimit = 200;
    static constexpr qsizetype detailsLimit = 20000;

    Kind kind = Kind::Problem;
    std::optional<Severity> severity;
    // One line in the user's words, as typed (line breaks included).
    QString summary;
    QString details;
    // Where to answer; empty when none.
    QString email;
    bool includeDiagnostics = false;
    bool afterCrash = false;

    // The summary on one line: each line break becomes a blank, blanks and tabs at the ends go.
    QString cleanSummary() const;
    // The e-mail (trimmed) is empty or looks like an address: one "@", no white space, a dot
    // after it followed by at least two characters.
    bool isEmailValid() const;
    // A summary of 1 to 200 characters, details of at most 20,000, and a valid e-mail.
    bool isReady() const;

    // Declaration order, as the form offers them.
    static constexpr std::array<Kind, 4> allKinds{Kind::Problem, Kind::Confusing, Kind::Idea, Kind::Love};
    static constexpr std::array<Severity, 3> allSeverities{Severity::Minor, Severity::Annoying,
                                                           Severity::Blocking};
    // "problem", "confusing", "idea", "love".
    static QString rawValue(Kind kind);
    // "Problem", "Confusing", "Idea", "Love it".
    static QString title(Kind kind);
    // Exact match, letter case included.
    static std::optional<Kind> kindFromRaw(QStringView raw);
    // "minor", "annoying", "blocking".
    static QString rawValue(Severity severity);
    // "Minor", "Annoying", "Stops me working".
    static QString title(Severity severity);
    static std::optional<Severity> severityFromRaw(QStringView raw);

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
