#include "XdgInstalledApplications.h"

namespace platform {

namespace {

InstalledApplication described(const DesktopEntry& entry) {
    InstalledApplication app;
    app.id = entry.id;
    app.name = entry.name;
    app.path = entry.path;
    app.iconName = entry.iconName;
    app.documentTypes = entry.mimeTypes;
    app.categories = entry.categories;
    app.hasNewWindowAction = entry.newWindow.has_value();
    app.listed = !entry.noDisplay && !entry.name.trimmed().isEmpty();
    return app;
}

} // namespace

XdgInstalledApplications::XdgInstalledApplications(std::shared_ptr<DesktopEntryIndex> entries)
    : m_entries(std::move(entries)) {}

QList<InstalledApplication> XdgInstalledApplications::applications() {
    QList<InstalledApplication> apps;
    for (const auto& entry : m_entries->entries())
        apps.append(described(entry));
    return apps;
}

std::optional<InstalledApplication> XdgInstalledApplications::application(const QString& id) {
    const auto entry = m_entries->forId(id);
    return entry ? std::optional(described(*entry)) : std::nullopt;
}

std::optional<InstalledApplication> XdgInstalledApplications::applicationAt(const QString& path) {
    const auto entry = m_entries->entryAt(path);
    return entry ? std::optional(described(*entry)) : std::nullopt;
}

} // namespace platform
