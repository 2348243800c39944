#include "UpdateFeed.h"

#include "platform/Platform.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <limits>

namespace betakit {

std::optional<qint64> buildNumber(QStringView text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    if (i == text.size())
        return std::nullopt;
    // Accumulated as a negative number, which reaches the most negative value too.
    qint64 value = 0;
    constexpr qint64 kMin = std::numeric_limits<qint64>::min();
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c - u'0';
        if (value < (kMin + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == kMin)
            return std::nullopt;
        value = -value;
    }
    return value;
}

qint64 feedBuildNumber(QStringView text) {
    return buildNumber(text).value_or(0);
}

namespace {

// Reads one object of the feed; the first problem is kept and every later read gives nothing.
class FeedReader {
public:
    QString problem;

    QString text(const QJsonObject& object, const QString& path, const char* key) {
        const QJsonValue value = object.value(QLatin1String(key));
        if (!value.isString())
            fail(name(path, key), value.isUndefined() ? Missing : WrongType, "text");
        return value.toString();
    }
    std::optional<QString> optionalText(const QJsonObject& object, const QString& path, const char* key) {
        const QJsonValue value = object.value(QLatin1String(key));
        if (value.isUndefined() || value.isNull())
            return std::nullopt;
        if (!value.isString())
            fail(name(path, key), WrongType, "text");
        return value.toString();
    }
    qint64 integer(const QJsonObject& object, const QString& path, const char* key) {
        const QJsonValue value = object.value(QLatin1String(key));
        // toInteger() gives its fallback for a fraction or a number beyond 64 bits; two different
        // fallbacks tell that apart from a real value.
        const qint64 a = value.toInteger(0);
        if (!value.isDouble() || a != value.toInteger(1))
            fail(name(path, key), value.isUndefined() ? Missing : WrongType, "a whole number");
        return a;
    }
    QJsonObject object(const QJsonObject& parent, const QString& path, const char* key) {
        const QJsonValue value = parent.value(QLatin1String(key));
        if (!value.isObject())
            fail(name(path, key), value.isUndefined() ? Missing : WrongType, "an object");
        return value.toObject();
    }
    QJsonArray array(const QJsonObject& parent, const QString& path, const char* key) {
        const QJsonValue value = parent.value(QLatin1String(key));
        if (!value.isArray())
            fail(name(path, key), value.isUndefined() ? Missing : WrongType, "a list");
        return value.toArray();
    }
    QUrl webAddress(const QJsonObject& object, const QString& path, const char* key) {
        const QString written = text(object, path, key);
        if (!problem.isEmpty())
            return {};
        const QUrl url(written, QUrl::StrictMode);
        // Only a download from a web server is ever made: a local file or another scheme
        // in a feed is refused with the feed.
        const QString scheme = url.scheme().toLower();
        if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https"))
            problem = QStringLiteral("The update feed isn’t valid: “%1” isn’t an http or https address.")
                          .arg(name(path, key));
        return url;
    }
    // `name` is the key's path in the document ("latest.build").
    void fail(const QString& name, bool missing, const char* expected) {
        if (!problem.isEmpty())
            return;
        problem = missing ? QStringLiteral("The update feed isn’t valid: “%1” is missing.").arg(name)
                          : QStringLiteral("The update feed isn’t valid: “%1” should be %2.")
                                .arg(name, QLatin1String(expected));
    }
    static QString name(const QString& path, const char* key) {
        return path.isEmpty() ? QString::fromLatin1(key) : path + u'.' + QLatin1String(key);
    }

    static constexpr bool Missing = true;
    static constexpr bool WrongType = false;
};

} // namespace

UpdateResult<UpdateFeed> UpdateFeed::decode(const QByteArray& json) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return UpdateError::platform(QStringLiteral("The update feed isn’t valid JSON (%1 at byte %2).")
                                         .arg(parseError.errorString())
                                         .arg(parseError.offset));
    if (!document.isObject())
        return UpdateError::platform(QStringLiteral("The update feed isn’t valid: it isn’t a JSON object."));

    FeedReader read;
    const QJsonObject root = document.object();
    UpdateFeed feed;
    feed.app = read.text(root, {}, "app");
    const QJsonObject latest = read.object(root, {}, "latest");
    const QString at = QStringLiteral("latest");
    feed.latest.version = read.text(latest, at, "version");
    feed.latest.build = read.text(latest, at, "build");
    feed.latest.url = read.webAddress(latest, at, "url");
    feed.latest.bytes = read.integer(latest, at, "bytes");
    feed.latest.sha256 = read.text(latest, at, "sha256");
    feed.latest.minMacOS = read.optionalText(latest, at, "minMacOS");
    const QJsonArray versions = read.array(root, {}, "versions");
    for (qsizetype i = 0; i < versions.size() && read.problem.isEmpty(); ++i) {
        const QString path = QStringLiteral("versions[%1]").arg(i);
        if (!versions[i].isObject()) {
            read.fail(path, FeedReader::WrongType, "an object");
            break;
        }
        const QJsonObject entry = versions[i].toObject();
        Release release;
        release.version = read.text(entry, path, "version");
        release.build = read.text(entry, path, "build");
        release.date = read.optionalText(entry, path, "date");
        const QJsonArray changes = read.array(entry, path, "changes");
        for (qsizetype j = 0; j < changes.size(); ++j) {
            if (!changes[j].isString())
                read.fail(QStringLiteral("%1.changes[%2]").arg(path).arg(j), FeedReader::WrongType, "text");
            release.changes.append(changes[j].toString());
        }
        feed.versions.push_back(std::move(release));
    }
    if (!read.problem.isEmpty())
        return UpdateError::platform(read.problem);
    return feed;
}

bool UpdateFeed::isNewer(qint64 build) const {
    return build < feedBuildNumber(latest.build);
}

std::vector<UpdateFeed::Release> UpdateFeed::changes(qint64 build) const {
    std::vector<Release> newer;
    for (const Release& release : versions)
        if (build < feedBuildNumber(release.build))
            newer.push_back(release);
    std::stable_sort(newer.begin(), newer.end(), [](const Release& a, const Release& b) {
        return feedBuildNumber(a.build) > feedBuildNumber(b.build);
    });
    return newer;
}

bool UpdateFeed::runsOnThisMac() const {
    if (!latest.minMacOS)
        return true;
    std::vector<qint64> numbers;
    for (const QStringView piece : QStringView(*latest.minMacOS).split(u'.', Qt::SkipEmptyParts))
        if (const auto number = buildNumber(piece))
            numbers.push_back(*number);
    const qint64 major = numbers.size() > 0 ? numbers[0] : 0;
    const qint64 minor = numbers.size() > 1 ? numbers[1] : 0;
    const auto platform = platform::Platform::installed();
    const SystemVersion* system = platform ? platform->find<SystemVersion>() : nullptr;
    return !system || system->isAtLeast(major, minor, 0);
}

CheckResult::Value CheckResult::of(const UpdateFeed& feed, std::optional<qint64> installed) {
    if (installed && feed.isNewer(*installed)) {
        if (feed.runsOnThisMac())
            return Available{feed};
        return TooOld{feed.latest.minMacOS.value_or(QString())};
    }
    return UpToDate{feed.latest.version, feedBuildNumber(feed.latest.build) < installed.value_or(0)};
}

} // namespace betakit
