#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace platform {
class Platform;
}

namespace betakit {

// Removes what could identify the user or the machine from a text before it goes into a beta
// report: home-folder paths, e-mail addresses, network and hardware addresses, hardware
// identifiers, the computer's names and the user's names. It holds the identity values for the
// life of one report and never stores, logs or sends them; make a fresh one for each report.
//
// The user's own words (summary, details) are scrubbed with `allNames` off: only the full name as
// a whole goes. Machine texts (settings, crash summaries, log lines) are scrubbed with it on: the
// words of the full name and the account name go too. A plain value, usable from any thread.
class BetaScrubber {
public:
    struct Values {
        QString home;
        QString userName;
        QString fullName;
        // The computer name, the host name, the host name with ".local"; each only when known.
        QStringList computerNames;
        QStringList hardwareIDs;
    };

    // The identity values of the `Identity` of `platform`; none without one.
    explicit BetaScrubber(const platform::Platform& platform);
    explicit BetaScrubber(Values values);

    const QString& home() const { return m_values.home; }
    const QString& userName() const { return m_values.userName; }
    const QString& fullName() const { return m_values.fullName; }
    const QStringList& computerNames() const { return m_values.computerNames; }
    const QStringList& hardwareIDs() const { return m_values.hardwareIDs; }

    QString scrub(const QString& text, bool allNames) const;
    // Scrubs one activity-log line with all names, token by token, keeping the line's shape: a
    // changed event name becomes "removed", a changed pair "key=removed", other changed tokens
    // "removed". A clean line comes back as it was.
    QString scrubLogLine(const QString& line) const;

    static constexpr QStringView kUserFolderReplacement = u"/home/[user]";
    static constexpr QStringView kEmailReplacement = u"[email removed]";
    static constexpr QStringView kAddressReplacement = u"[address removed]";
    static constexpr QStringView kIDReplacement = u"[id removed]";
    static constexpr QStringView kComputerNameReplacement = u"[name removed]";
    static constexpr QStringView kUserReplacement = u"[user]";
    static constexpr QStringView kNameReplacement = u"[name removed]";

private:
    struct NamePattern {
        QRegularExpression pattern;
        QStringView replacement;
    };
    // The patterns made from this scrubber's values, made once since the values never change.
    struct Patterns {
        std::optional<QRegularExpression> home;
        std::vector<QRegularExpression> hardwareIDs; // longest first, 6 characters or more
        QStringList computerNames;                   // longest first, 3 characters or more
        std::vector<NamePattern> fullNameOnly;
        std::vector<NamePattern> allNames;
    };

    // Whether scrubbing with all names changes the text or what its escapes stand for.
    bool scrubs(const QString& text) const;

    Values m_values;
    std::shared_ptr<const Patterns> m_patterns;
};

} // namespace betakit
