#include "ReportBuilder.h"

#include "BetaConfiguration.h"
#include "BetaScrubber.h"
#include "Characters.h"
#include "CrashDetection.h"
#include "CrashReader.h"
#include "LogStore.h"
#include "ReportJson.h"

#include "platform/Platform.h"
#include "platform/SystemFacts.h"

#include <QRegularExpression>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace betakit {

namespace {

JsonValue settingJson(const ReportBuilder::SettingValue& setting) {
    return std::visit(
        [](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool>)
                return JsonValue::boolean(v);
            else if constexpr (std::is_same_v<T, qint64>)
                return JsonValue::integer(v);
            else if constexpr (std::is_same_v<T, quint64>)
                return JsonValue::unsignedInteger(v);
            else if constexpr (std::is_same_v<T, double>)
                return JsonValue::number(v);
            else
                return JsonValue::string(v);
        },
        setting.value);
}

JsonValue::Members diagnosticsJson(const ReportBuilder::Payload::Diagnostics& diagnostics) {
    JsonValue::Array crashes;
    for (const auto& crash : diagnostics.crashes)
        crashes.push_back(JsonValue::object({{QStringLiteral("name"), JsonValue::string(crash.name)},
                                             {QStringLiteral("text"), JsonValue::string(crash.text)}}));
    JsonValue::Members settings;
    for (const auto& [key, value] : diagnostics.settings)
        settings.emplace_back(key, settingJson(value));
    return {{QStringLiteral("model"), JsonValue::string(diagnostics.model)},
            {QStringLiteral("settings"), JsonValue::object(std::move(settings))},
            {QStringLiteral("log"), JsonValue::string(diagnostics.log)},
            {QStringLiteral("crashes"), JsonValue::array(std::move(crashes))}};
}

// A whole decimal integer with an optional sign that fits 64 bits.
std::optional<qint64> wholeInteger(const std::string& text) {
    static const QRegularExpression pattern(QStringLiteral(R"(\A[+-]?[0-9]+\z)"));
    if (!pattern.match(QString::fromLatin1(text)).hasMatch())
        return std::nullopt;
    const char* begin = text.data() + (text.front() == '+' ? 1 : 0);
    const char* end = text.data() + text.size();
    qint64 value = 0;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    return value;
}

// The text read whole as a floating-point number the way C reads one, whatever the locale.
std::optional<double> wholeNumber(const std::string& text) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text.front())))
        return std::nullopt;
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    char* end = nullptr;
    const double value = strtod_l(text.c_str(), &end, cLocale);
    if (end != text.c_str() + text.size())
        return std::nullopt;
    return value;
}

std::vector<ReportBuilder::Payload::Crash> recentCrashes(const BetaConfiguration& configuration,
                                                         qint64 nowMillis, const BetaScrubber& scrubber) {
    const QDateTime since =
        QDateTime::fromMSecsSinceEpoch(nowMillis - ReportBuilder::kCrashWindowSeconds * 1000, Qt::UTC);
    const QStringList reports = CrashDetection::crashReports(
        configuration.platform()->paths().diagnosticReports(), since, configuration.processName());
    std::vector<ReportBuilder::Payload::Crash> crashes;
    // Only the newest few are opened; one that can't be read is not replaced by an older one.
    for (qsizetype i = 0; i < reports.size() && i < ReportBuilder::kMaxCrashes; ++i) {
        if (const auto entry = CrashReader::crashEntry(reports[i]))
            crashes.push_back({entry->name, Characters::first(scrubber.scrub(entry->text, true),
                                                              ReportBuilder::kCrashTextLimit)});
    }
    return crashes;
}

} // namespace

JsonValue ReportBuilder::Payload::toJson() const {
    JsonValue::Members members{
        {QStringLiteral("schema"), JsonValue::integer(schema)},
        {QStringLiteral("app"),
         JsonValue::object({{QStringLiteral("id"), JsonValue::string(app.id)},
                            {QStringLiteral("name"), JsonValue::string(app.name)},
                            {QStringLiteral("version"), JsonValue::string(app.version)},
                            {QStringLiteral("build"), JsonValue::string(app.build)}})},
        {QStringLiteral("system"),
         JsonValue::object({{QStringLiteral("macOS"), JsonValue::string(system.macOS)},
                            {QStringLiteral("arch"), JsonValue::string(system.arch)},
                            {QStringLiteral("rosetta"), JsonValue::boolean(system.rosetta)}})},
        {QStringLiteral("kind"), JsonValue::string(kind)},
    };
    if (severity)
        members.emplace_back(QStringLiteral("severity"), JsonValue::string(*severity));
    members.emplace_back(QStringLiteral("summary"), JsonValue::string(summary));
    members.emplace_back(QStringLiteral("details"), JsonValue::string(details));
    if (email)
        members.emplace_back(QStringLiteral("email"), JsonValue::string(*email));
    if (news)
        members.emplace_back(QStringLiteral("news"), JsonValue::boolean(*news));
    members.emplace_back(QStringLiteral("afterCrash"), JsonValue::boolean(afterCrash));
    members.emplace_back(QStringLiteral("sentAt"), JsonValue::string(sentAt));
    if (diagnostics)
        members.emplace_back(QStringLiteral("diagnostics"), JsonValue::object(diagnosticsJson(*diagnostics)));
    return JsonValue::object(std::move(members));
}

std::optional<QByteArray> ReportBuilder::encode(const Payload& payload) {
    return ReportJson::write(payload.toJson());
}

QByteArray ReportBuilder::build(const BetaFeedback& feedback, const BetaConfiguration& configuration,
                                qint64 nowMillis, const BetaScrubber& scrubber) {
    const platform::Platform& platform = *configuration.platform();
    // The extra settings read the program's state, which lives on the main thread; a report
    // without them would pass for a whole one.
    if (!platform.runtime().isMainThread()) {
        std::fprintf(stderr, "Beta report: not built, it was asked for off the main thread\n");
        return {};
    }
    const platform::Bundle& bundle = platform.bundle();
    const auto* facts = platform.find<platform::SystemFacts>();

    Payload payload;
    payload.app = {configuration.appID, configuration.appName,
                   cleanVersion(configuration.appVersion ? configuration.appVersion : bundle.version()),
                   cleanVersion(configuration.appBuild ? configuration.appBuild : bundle.build())};
    payload.system = {systemVersionText(facts), architecture(facts), facts && facts->processTranslated()};
    payload.kind = BetaFeedback::rawValue(feedback.kind);
    if (feedback.kind == BetaFeedback::Kind::Problem && feedback.severity)
        payload.severity = BetaFeedback::rawValue(*feedback.severity);
    payload.summary =
        Characters::first(scrubber.scrub(feedback.cleanSummary(), false), BetaFeedback::summaryLimit);
    payload.details = Characters::first(scrubber.scrub(feedback.details, false), BetaFeedback::detailsLimit);
    if (QString email = Characters::trimmedSpace(feedback.email); !email.isEmpty()) {
        payload.email = std::move(email);
        payload.news = true;
    }
    payload.afterCrash = feedback.afterCrash;
    payload.sentAt = QString::fromLatin1(LogStore::stamp(nowMillis));

    if (feedback.includeDiagnostics) {
        payload.diagnostics = Payload::Diagnostics{hardwareModel(facts),
                                                   collectSettings(configuration, scrubber),
                                                   {},
                                                   recentCrashes(configuration, nowMillis, scrubber)};
        // The log gets what is left of the budget; the report without it is measured first.
        const auto measured = encode(payload);
        if (measured && measured->size() < kLogBudget) {
            QStringList lines = LogStore::shared().recentLines(kLogBudget - measured->size(), nowMillis);
            for (QString& line : lines)
                line = scrubber.scrubLogLine(line);
            payload.diagnostics->log = lines.join(u'\n');
        }
    }
    return encode(payload).value_or(QByteArray());
}

QString ReportBuilder::cleanVersion(const std::optional<QString>& text) {
    QString cleaned;
    for (const QChar c : text.value_or(QString())) {
        if (cleaned.size() == kVersionLimit)
            break;
        const char16_t u = c.unicode();
        const bool kept = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') ||
                          u == '.' || u == '+' || u == '_' || u == '-';
        cleaned.append(kept ? c : QChar(u'-'));
    }
    // Only ASCII is left, so a letter or digit here is an ASCII one.
    if (cleaned.isEmpty() || !cleaned[0].isLetterOrNumber())
        return QStringLiteral("0");
    return cleaned;
}

ReportBuilder::SettingValue ReportBuilder::settingValue(const platform::DefaultsValue& stored,
                                                        const BetaScrubber& scrubber) {
    static const QString kOpaque = QStringLiteral("[text]");
    return std::visit(
        [&](const auto& v) -> SettingValue {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, qint64> ||
                          std::is_same_v<T, quint64>) {
                return {v};
            } else if constexpr (std::is_same_v<T, double>) {
                return std::isfinite(v) ? SettingValue{v} : SettingValue::text(kOpaque);
            } else if constexpr (std::is_same_v<T, QString>) {
                static const QRegularExpression plain(QStringLiteral(R"(\A[A-Za-z0-9_.+-]{0,64}\z)"));
                const bool shown = plain.match(v).hasMatch() && scrubber.scrub(v, true) == v;
                return SettingValue::text(shown ? v : kOpaque);
            } else {
                return SettingValue::text(kOpaque);
            }
        },
        stored);
}

ReportBuilder::SettingValue ReportBuilder::extraSettingValue(const BetaValue& value) {
    const std::string& text = value.text();
    if (text == "true")
        return {true};
    if (text == "false")
        return {false};
    if (const auto integer = wholeInteger(text))
        return {*integer};
    // "nan" and "inf" read as numbers JSON can't hold; as text they keep the report whole.
    if (const auto number = wholeNumber(text); number && std::isfinite(*number))
        return {*number};
    return SettingValue::text(QString::fromStdString(text));
}

ReportBuilder::Settings ReportBuilder::collectSettings(const BetaConfiguration& configuration,
                                                       const BetaScrubber& scrubber) {
    Settings settings;
    const auto put = [&settings](QString key, SettingValue value) {
        for (auto& entry : settings)
            if (entry.first == key) {
                entry.second = std::move(value);
                return;
            }
        settings.emplace_back(std::move(key), std::move(value));
    };
    for (const QString& key : configuration.settings)
        if (const auto stored = configuration.defaults().value(key))
            put(key, settingValue(*stored, scrubber));
    if (configuration.extraSettings)
        for (const BetaPair& pair : configuration.extraSettings())
            put(QString::fromUtf8(pair.key.data(), qsizetype(pair.key.size())),
                extraSettingValue(pair.value));
    return settings;
}

QString ReportBuilder::systemVersionText(const platform::SystemFacts* facts) {
    static const QRegularExpression plain(QStringLiteral(R"(\A[0-9A-Za-z .()_-]{1,60}\z)"));
    if (!facts)
        return QStringLiteral("0.0.0");
    const QString text = facts->versionText();
    if (plain.match(text).hasMatch())
        return text;
    const auto numbers = facts->versionNumbers();
    return QStringLiteral("%1.%2.%3").arg(numbers[0]).arg(numbers[1]).arg(numbers[2]);
}

QString ReportBuilder::architecture(const platform::SystemFacts* facts) {
    const QString machine = facts ? facts->machine() : QString();
    const bool arm64 = machine == u"aarch64" || machine == u"arm64" || machine == u"aarch64_be";
    return arm64 ? QStringLiteral("Apple silicon") : QStringLiteral("Intel");
}

QString ReportBuilder::hardwareModel(const platform::SystemFacts* facts) {
    static const QRegularExpression plain(QStringLiteral(R"(\A[A-Za-z0-9,]{1,40}\z)"));
    const auto raw = facts ? facts->hardwareModel() : std::nullopt;
    if (!raw || raw->isEmpty())
        return QStringLiteral("unknown");
    const qsizetype nul = raw->indexOf('\0');
    const QString text = QString::fromUtf8(nul < 0 ? *raw : raw->first(nul));
    return plain.match(text).hasMatch() ? text : QStringLiteral("unknown");
}

} // namespace betakit
