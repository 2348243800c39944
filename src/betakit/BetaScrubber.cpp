#include "BetaScrubber.h"

#include "BetaValue.h"
#include "Characters.h"

#include "platform/Identity.h"
#include "platform/Platform.h"

#include <algorithm>

namespace betakit {

namespace {

constexpr auto kOptions = QRegularExpression::UseUnicodePropertiesOption;

// Where a path ends: a slash, white space, a quotation mark, "<", ">", ":" or the end of the text,
// also after punctuation that closes a phrase ("(/srv/jdoe)", "in /srv/jdoe, then", "… /srv/jdoe.").
constexpr QStringView kPathEnd = uR"((?=[/\s"'<>:]|$|[.,;!?)\]}]+(?:[/\s"'<>:]|$)))";

// Someone's home folder: any folder directly under /home, without the punctuation of the phrase
// around it. The user's own home has already become "~" when this runs.
const QRegularExpression& userFolderPattern() {
    static const QRegularExpression pattern(QStringLiteral(R"(/home/[^/\s"'<>:]*[^/\s"'<>:.,;!?)\]}])"),
                                            kOptions);
    return pattern;
}

// Letters and digits of any script on both sides, so "alice@exämple.de" is an address too.
const QRegularExpression& emailPattern() {
    static const QRegularExpression pattern(
        QStringLiteral(R"([\p{L}\p{M}\p{N}._%+-]+@[\p{L}\p{M}\p{N}.-]+\.[\p{L}\p{M}]{2,})"), kOptions);
    return pattern;
}

const QRegularExpression& macPattern() {
    static const QRegularExpression pattern(
        QStringLiteral(R"((?<![0-9A-Fa-f:])[0-9A-Fa-f]{2}(?::[0-9A-Fa-f]{2}){5}(?![0-9A-Fa-f:]))"), kOptions);
    return pattern;
}

const QRegularExpression& ipv6Pattern() {
    static const QRegularExpression pattern(
        QStringLiteral(R"((?<![\w:.])(?:(?:[0-9A-Fa-f]{1,4}:){7}[0-9A-Fa-f]{1,4})"
                       R"(|(?:[0-9A-Fa-f]{1,4}:){1,6}:(?:[0-9A-Fa-f]{1,4}:){0,5}[0-9A-Fa-f]{1,4})"
                       R"(|::(?:[0-9A-Fa-f]{1,4}:){0,6}[0-9A-Fa-f]{1,4})(?:%\w+)?(?![\w:.]))"),
        kOptions);
    return pattern;
}

const QRegularExpression& ipv4Pattern() {
    static const QRegularExpression pattern(
        QStringLiteral(
            R"((?<![\w.])(?:(?:25[0-5]|2[0-4]\d|1?\d?\d)\.){3}(?:25[0-5]|2[0-4]\d|1?\d?\d)(?!\w|\.\d))"),
        kOptions);
    return pattern;
}

// Every match of `pattern` replaced by `replacement`, taken literally.
QString replaceAll(const QString& text, const QRegularExpression& pattern, QStringView replacement) {
    QRegularExpressionMatchIterator matches = pattern.globalMatch(text);
    if (!matches.hasNext())
        return text;
    QString result;
    result.reserve(text.size());
    qsizetype copied = 0;
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        result.append(QStringView(text).sliced(copied, match.capturedStart() - copied));
        result.append(replacement);
        copied = match.capturedEnd();
    }
    result.append(QStringView(text).sliced(copied));
    return result;
}

// The texts of at least `minimum` characters, longest first (equal lengths keep their order).
QStringList longestFirst(const QStringList& texts, qsizetype minimum) {
    std::vector<std::pair<qsizetype, QString>> measured;
    for (const QString& text : texts)
        if (const qsizetype n = Characters::count(text); n >= minimum)
            measured.emplace_back(n, text);
    std::stable_sort(measured.begin(), measured.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    QStringList result;
    for (auto& entry : measured)
        result.append(std::move(entry.second));
    return result;
}

BetaScrubber::Values identityValues(const platform::Platform& platform) {
    BetaScrubber::Values values;
    const platform::Identity* identity = platform.find<platform::Identity>();
    if (!identity)
        return values;
    if (const auto name = identity->computerName())
        values.computerNames.append(*name);
    if (const auto host = identity->localHostName()) {
        values.computerNames.append(*host);
        values.computerNames.append(*host + QStringLiteral(".local"));
    }
    values.home = identity->homeFolder();
    values.userName = identity->userName();
    values.fullName = identity->fullName();
    values.hardwareIDs = identity->hardwareIDs();
    return values;
}

} // namespace

BetaScrubber::BetaScrubber(const platform::Platform& platform) : BetaScrubber(identityValues(platform)) {}

BetaScrubber::BetaScrubber(Values values) : m_values(std::move(values)) {
    auto patterns = std::make_shared<Patterns>();
    // A home of "/" (or nothing) would turn every path into "~".
    if (m_values.home.size() > 1)
        patterns->home.emplace(QRegularExpression::escape(m_values.home) + kPathEnd.toString(), kOptions);
    // An identifier is written with or without the dashes of its UUID form ("4c4c4544-0042-…" and
    // "4c4c45440042…" name the same machine), so dashes between its characters count for nothing.
    for (const QString& id : longestFirst(m_values.hardwareIDs, 6)) {
        QStringList characters;
        for (const char32_t c : QString(id).remove(u'-').toUcs4())
            characters.append(QRegularExpression::escape(QString::fromUcs4(&c, 1)));
        if (!characters.isEmpty())
            patterns->hardwareIDs.emplace_back(characters.join(QStringLiteral("-?")),
                                               kOptions | QRegularExpression::CaseInsensitiveOption);
    }
    patterns->computerNames = longestFirst(m_values.computerNames, 3);

    // A name counts only as a whole word: no ASCII letter or digit right before or after it.
    const auto addName = [this](std::vector<NamePattern>& list, const QString& name) {
        if (Characters::count(name) < 3)
            return;
        list.push_back(
            {QRegularExpression(QStringLiteral("(?<![A-Za-z0-9])") + QRegularExpression::escape(name) +
                                    QStringLiteral("(?![A-Za-z0-9])"),
                                kOptions | QRegularExpression::CaseInsensitiveOption),
             name == m_values.userName ? kUserReplacement : kNameReplacement});
    };
    addName(patterns->fullNameOnly, m_values.fullName);
    addName(patterns->allNames, m_values.fullName);
    for (const QString& word : m_values.fullName.split(u' ', Qt::SkipEmptyParts))
        addName(patterns->allNames, word);
    addName(patterns->allNames, m_values.userName);
    m_patterns = std::move(patterns);
}

QString BetaScrubber::scrub(const QString& text, bool allNames) const {
    QString result = text;
    if (m_patterns->home && result.contains(m_values.home))
        result = replaceAll(result, *m_patterns->home, u"~");
    // Each pattern below needs a character that the checks before it look for, which saves most
    // lines the cost of matching.
    if (result.contains(u"/home/"))
        result = replaceAll(result, userFolderPattern(), kUserFolderReplacement);
    if (result.contains(u'@'))
        result = replaceAll(result, emailPattern(), kEmailReplacement);
    if (result.contains(u':')) {
        result = replaceAll(result, macPattern(), kAddressReplacement);
        result = replaceAll(result, ipv6Pattern(), kAddressReplacement);
    }
    if (result.contains(u'.'))
        result = replaceAll(result, ipv4Pattern(), kAddressReplacement);
    for (const QRegularExpression& id : m_patterns->hardwareIDs)
        result = replaceAll(result, id, kIDReplacement);
    for (const QString& name : m_patterns->computerNames)
        result.replace(name, kComputerNameReplacement.toString(), Qt::CaseInsensitive);
    for (const NamePattern& name : allNames ? m_patterns->allNames : m_patterns->fullNameOnly)
        result = replaceAll(result, name.pattern, name.replacement);
    return result;
}

bool BetaScrubber::scrubs(const QString& text) const {
    if (scrub(text, true) != text)
        return true;
    // Values reach the log escaped ("alice+40example.com", "+2Fsrv+2Fjdoe"): what they stand for
    // is scrubbed too.
    const QString unescaped = BetaValue::unescaped(text);
    return unescaped != text && scrub(unescaped, true) != unescaped;
}

QString BetaScrubber::scrubLogLine(const QString& line) const {
    if (!scrubs(line))
        return line;
    QStringList tokens = line.split(u' ');
    for (qsizetype i = 1; i < tokens.size(); ++i) {
        QString& token = tokens[i];
        if (!scrubs(token))
            continue;
        const qsizetype equals = token.indexOf(u'=');
        if (i == 1 || equals < 0)
            token = QStringLiteral("removed");
        else
            token = token.first(equals) + QStringLiteral("=removed");
    }
    return tokens.join(u' ');
}

} // namespace betakit
