#pragma once

#include "BetaFeedback.h"
#include "BetaValue.h"

#include "platform/Defaults.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>
#include <variant>
#include <vector>

namespace platform {
class SystemFacts;
}

namespace betakit {

class BetaScrubber;
struct BetaConfiguration;
class JsonValue;

// Builds the beta report: a UTF-8 JSON document (schema 1), the only thing the kit ever sends
// about the user. The same bytes are previewed, uploaded or attached to an e-mail. Every free
// text in it has passed the scrubber; the optional diagnostics add the machine's model, chosen
// settings, up to three recent crash summaries and as much of the recent activity log as fits.
class ReportBuilder {
public:
    ReportBuilder() = delete;

    // The whole document stays near this size; the log gets what is left of it.
    static constexpr qint64 kLogBudget = 303'104;
    static constexpr qint64 kCrashWindowSeconds = 259'200;
    static constexpr int kMaxCrashes = 3;
    static constexpr qsizetype kCrashTextLimit = 40'960;
    static constexpr qsizetype kVersionLimit = 40;

    // One reported setting: a bare JSON value. Unsigned values keep their exact value.
    struct SettingValue {
        std::variant<bool, qint64, quint64, double, QString> value;

        static SettingValue text(QString text) { return {std::move(text)}; }
        friend bool operator==(const SettingValue&, const SettingValue&) = default;
    };
    // In the order collected; a later entry of the same key replaces an earlier one.
    using Settings = std::vector<std::pair<QString, SettingValue>>;

    struct Payload {
        struct App {
            QString id;
            QString name;
            QString version;
            QString build;
        };
        struct System {
            // The operating system's version text; the key keeps the report format's name.
            QString macOS;
            // "Apple silicon" for 64-bit ARM machines, else "Intel".
            QString arch;
            bool rosetta = false;
        };
        struct Crash {
            QString name;
            QString text;
        };
        struct Diagnostics {
            QString model;
            Settings settings;
            QString log;
            std::vector<Crash> crashes;
        };

        int schema = 1;
        App app;
        System system;
        QString kind;
        std::optional<QString> severity;
        QString summary;
        QString details;
        std::optional<QString> email;
        std::optional<bool> news;
        bool afterCrash = false;
        QString sentAt;
        std::optional<Diagnostics> diagnostics;

        JsonValue toJson() const;
    };

    // The report for `feedback` at `nowMillis` (wall time), scrubbed by `scrubber`. Main thread
    // only: the configuration's extra settings read the program's state there. Empty when the
    // document can't be encoded or when called on another thread.
    static QByteArray build(const BetaFeedback& feedback, const BetaConfiguration& configuration,
                            qint64 nowMillis, const BetaScrubber& scrubber);
    // The report's own encoding (see ReportJson); none when it fails.
    static std::optional<QByteArray> encode(const Payload& payload);

    // ASCII letters, digits and ".+_-" stay, every other character becomes "-", at most 40;
    // "0" when that is empty or does not start with a letter or digit.
    static QString cleanVersion(const std::optional<QString>& text);
    // How a stored setting is reported: numbers and Booleans as they are (a non-finite double as
    // "[text]"), a short plain word that scrubbing leaves alone as itself, anything else "[text]".
    static SettingValue settingValue(const platform::DefaultsValue& stored, const BetaScrubber& scrubber);
    // An extra diagnostic value: "true"/"false" as Booleans, a whole decimal integer as an
    // integer, another finite number as a double, anything else as the text itself.
    static SettingValue extraSettingValue(const BetaValue& value);
    // The configuration's settings keys present in its defaults, then its extra settings.
    static Settings collectSettings(const BetaConfiguration& configuration, const BetaScrubber& scrubber);

    // The system's version text when it is plain (letters, digits, " .()_-", 1 to 60), else
    // the kernel's "major.minor.patch".
    static QString systemVersionText(const platform::SystemFacts* facts);
    static QString architecture(const platform::SystemFacts* facts);
    // Letters, digits and commas, 1 to 40 of them; else "unknown".
    static QString hardwareModel(const platform::SystemFacts* facts);
};

} // namespace betakit
