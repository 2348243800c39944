#pragma once

#include "platform/Bundle.h"
#include "platform/LoginItems.h"
#include "platform/Paths.h"

#include <memory>

namespace platform {

// The login item as an XDG autostart entry: <autostart>/<bundle identifier>.desktop whose Exec
// starts the running application folder's executable.
//
// Status: no entry: NotRegistered. An entry the user switched off in the desktop's session
// settings (Hidden=true, X-GNOME-Autostart-enabled=false): RequiresApproval. An entry that
// starts this executable: Enabled. An entry that starts anything else (another copy, a folder
// since moved or deleted): NotFound.
class XdgLoginItems final : public LoginItems {
public:
    XdgLoginItems(std::shared_ptr<const Paths> paths, std::shared_ptr<const Bundle> bundle, QString appName);

    QString entryPath() const;

    Status status() const override;
    Change registerApp() override;
    Change unregisterApp() override;
    void openSettings() override;

    // The Exec value that starts `program` with no arguments, escaped for a desktop entry, in a
    // form both the desktop-entry rules and GLib accept (a path with % goes through /bin/sh).
    static QString execValue(const QString& program);
    // The program an Exec value starts (its first argument, or the program the /bin/sh form
    // starts), or empty when it cannot be read.
    static QString programOfExec(const QString& value);

private:
    std::shared_ptr<const Paths> m_paths;
    std::shared_ptr<const Bundle> m_bundle;
    QString m_appName;
};

} // namespace platform
