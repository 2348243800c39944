#include "BetaFeedback.h"

#include "Characters.h"

#include <QRegularExpression>

namespace betakit {

namespace {

template <typename Enum> struct Names {
    Enum value;
    const char16_t* raw;
    const char16_t* title;
};

constexpr Names<BetaFeedback::Kind> kKindNames[] = {
    {BetaFeedback::Kind::Problem, u"problem", u"Problem"},
    {BetaFeedback::Kind::Confusing, u"confusing", u"Confusing"},
    {BetaFeedback::Kind::Idea, u"idea", u"Idea"},
    {BetaFeedback::Kind::Love, u"love", u"Love it"},
};

constexpr Names<BetaFeedback::Severity> kSeverityNames[] = {
    {BetaFeedback::Severity::Minor, u"minor", u"Minor"},
    {BetaFeedback::Severity::Annoying, u"annoying", u"Annoying"},
    {BetaFeedback::Severity::Blocking, u"blocking", u"Stops me working"},
};

// The tables list every case in declaration order.
template <typename Enum, std::size_t N>
const Names<Enum>& namesOf(const Names<Enum> (&table)[N], Enum value) {
    return table[static_cast<std::size_t>(value)];
}

template <typename Enum, std::size_t N>
std::optional<Enum> fromRaw(const Names<Enum> (&table)[N], QStringView raw) {
    for (const auto& entry : table)
        if (raw == QStringView(entry.raw))
            return entry.value;
    return std::nullopt;
}

} // namespace

QString BetaFeedback::cleanSummary() const {
    QString joined;
    joined.reserve(summary.size());
    for (qsizetype i = 0; i < summary.size(); ++i) {
        const QChar c = summary[i];
        // Every break character is its own separator: CR LF leaves an empty piece between them.
        joined.append(Characters::isLineBreak(c.unicode()) ? QChar(u' ') : c);
    }
    return Characters::trimmedBlanks(joined);
}

bool BetaFeedback::isEmailValid() const {
    const QString address = Characters::trimmedSpace(email);
    if (address.isEmpty())
        return true;
    // White space as the usual regular-expression engines see it: tab, line feed, form feed,
    // carriage return and every separator.
    static const QRegularExpression pattern(
        QStringLiteral(R"(\A[^\t\n\f\r\p{Z}@]+@[^\t\n\f\r\p{Z}@]+\.[^\t\n\f\r\p{Z}@]{2,}\z)"));
    return pattern.match(address).hasMatch();
}

bool BetaFeedback::isReady() const {
    const QString clean = cleanSummary();
    return !clean.isEmpty() && !Characters::exceeds(clean, summaryLimit) &&
           !Characters::exceeds(details, detailsLimit) && isEmailValid();
}

QString BetaFeedback::rawValue(Kind kind) {
    return QString::fromUtf16(namesOf(kKindNames, kind).raw);
}

QString BetaFeedback::title(Kind kind) {
    return QString::fromUtf16(namesOf(kKindNames, kind).title);
}

std::optional<BetaFeedback::Kind> BetaFeedback::kindFromRaw(QStringView raw) {
    return fromRaw(kKindNames, raw);
}

QString BetaFeedback::rawValue(Severity severity) {
    return QString::fromUtf16(namesOf(kSeverityNames, severity).raw);
}

QString BetaFeedback::title(Severity severity) {
    return QString::fromUtf16(namesOf(kSeverityNames, severity).title);
}

std::optional<BetaFeedback::Severity> BetaFeedback::severityFromRaw(QStringView raw) {
    return fromRaw(kSeverityNames, raw);
}

} // namespace betakit
