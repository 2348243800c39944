#pragma once

#include "UpdateError.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>
#include <variant>
#include <vector>

namespace betakit {

// Reads a build text: an optional "+" or "-", then one or more digits and nothing else, within
// 64 bits. None for anything else ("", "1.2", "124 ", "12a").
std::optional<qint64> buildNumber(QStringView text);
// A feed's build text: unreadable counts as 0.
qint64 feedBuildNumber(QStringView text);

// Whether the running system is at least a version. The updater asks the one registered in the
// platform (`Platform::provide<SystemVersion>`); without one every version counts as reached:
// the feed names versions of another system, which must not make every build "too old" here.
class SystemVersion {
public:
    virtual ~SystemVersion() = default;
    virtual bool isAtLeast(qint64 major, qint64 minor, qint64 patch) const = 0;
};

// The update feed: the newest build and the release notes, as the maker publishes them.
struct UpdateFeed {
    struct Latest {
        QString version;
        // Decimal; every comparison reads it with feedBuildNumber().
        QString build;
        // The zip archive of the new application folder (http or https).
        QUrl url;
        qint64 bytes = 0;
        // 64 hexadecimal digits, either case.
        QString sha256;
        std::optional<QString> minMacOS;

        friend bool operator==(const Latest&, const Latest&) = default;
    };
    struct Release {
        QString version;
        QString build;
        std::optional<QString> date;
        QStringList changes;

        friend bool operator==(const Release&, const Release&) = default;
    };

    // The application the feed is for; carried, never compared.
    QString app;
    Latest latest;
    std::vector<Release> versions;

    friend bool operator==(const UpdateFeed&, const UpdateFeed&) = default;

    // Decodes a feed document strictly: a required key missing or any key of the wrong type
    // rejects the whole document (a `platform` error naming the key). JSON null stands for an
    // absent optional key; other keys are ignored.
    static UpdateResult<UpdateFeed> decode(const QByteArray& json);

    // Whether the newest build is above `build`.
    bool isNewer(qint64 build) const;
    // The releases above `build`, highest build first.
    std::vector<Release> changes(qint64 build) const;
    // Whether the newest build runs here: no minimum, or the system reaches it (major and minor;
    // a third number is not looked at).
    bool runsOnThisMac() const;
};

// The running copy's version (for the user) and build (for every comparison; none when it
// can't be read).
struct InstalledVersion {
    QString version;
    std::optional<qint64> build;

    friend bool operator==(const InstalledVersion&, const InstalledVersion&) = default;
};

// What a check on request found in a fetched feed.
struct CheckResult {
    // A newer build that runs here.
    struct Available {
        UpdateFeed feed;
        friend bool operator==(const Available&, const Available&) = default;
    };
    // A newer build that needs a newer system; `minimum` is empty when the feed names none.
    struct TooOld {
        QString minimum;
        friend bool operator==(const TooOld&, const TooOld&) = default;
    };
    // Nothing newer; `ahead` when the installed build is above the newest one published.
    struct UpToDate {
        QString latest;
        bool ahead = false;
        friend bool operator==(const UpToDate&, const UpToDate&) = default;
    };
    using Value = std::variant<Available, TooOld, UpToDate>;

    // `installed` is the installed build, none when it can't be read.
    static Value of(const UpdateFeed& feed, std::optional<qint64> installed);
};

} // namespace betakit
