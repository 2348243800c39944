#pragma once

#include "DesktopEntryIndex.h"
#include "platform/InstalledApplications.h"

#include <memory>

namespace platform {

// The installed applications of a freedesktop desktop: the desktop entries of the application
// folders ($XDG_DATA_HOME/applications, then each of $XDG_DATA_DIRS). An application's identifier
// is its desktop file id; entries marked NoDisplay, or without a name, are installed but not
// listed, and hidden ones are not installed at all. Thread-safe.
class XdgInstalledApplications : public InstalledApplications {
public:
    explicit XdgInstalledApplications(std::shared_ptr<DesktopEntryIndex> entries);

    QList<InstalledApplication> applications() override;
    std::optional<InstalledApplication> application(const QString& id) override;
    std::optional<InstalledApplication> applicationAt(const QString& path) override;

private:
    std::shared_ptr<DesktopEntryIndex> m_entries;
};

} // namespace platform
