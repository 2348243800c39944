#pragma once

#include <QString>

namespace platform {

// The program's own login item: whether the desktop starts it when the user logs in.
class LoginItems {
public:
    // The values the program compares against; they keep the numbers of the original service.
    enum class Status : int {
        NotRegistered = 0,
        Enabled = 1,
        // Registered, but the user or the desktop has to allow it before it runs at login.
        RequiresApproval = 2,
        // The registered item does not lead to this application.
        NotFound = 3,
    };

    // Outcome of a change: success, or the reason for the failure in words for the user.
    struct Change {
        bool ok = true;
        QString errorDescription;

        static Change success() { return {}; }
        static Change failure(QString description) { return {false, std::move(description)}; }
    };

    virtual ~LoginItems() = default;

    virtual Status status() const = 0;
    virtual Change registerApp() = 0;
    virtual Change unregisterApp() = 0;
    // Opens the place where the user manages the programs started at login.
    virtual void openSettings() = 0;
};

} // namespace platform
