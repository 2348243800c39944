#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace platform {

// Who the user is and which machine this is: the values a report must never carry. They are
// read only so they can be removed from text, each time they are asked for. A value the system
// does not give is empty or missing.
class Identity {
public:
    virtual ~Identity() = default;
    // The current user's home folder.
    virtual QString homeFolder() const = 0;
    // The account (login) name.
    virtual QString userName() const = 0;
    // The user's full name; empty when the account has none.
    virtual QString fullName() const = 0;
    // The name the user gave the computer (a "pretty" host name), when one is set.
    virtual std::optional<QString> computerName() const = 0;
    // The host name without any domain, when there is one.
    virtual std::optional<QString> localHostName() const = 0;
    // Identifiers of the machine and its hardware (machine id, product UUID, serial number), each
    // only when readable.
    virtual QStringList hardwareIDs() const = 0;
};

} // namespace platform
