#include "DesktopEntryIndex.h"

#include "DesktopEntryFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

namespace platform {

namespace {
bool isTrue(const QString& value) {
    return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

// The declared action that opens a new window, by its id first, then by its name.
std::optional<DesktopAction> newWindowAction(const QHash<QString, QHash<QString, QString>>& groups) {
    QList<DesktopAction> declared;
    const QString ids = groups.value(QStringLiteral("Desktop Entry")).value(QStringLiteral("Actions"));
    for (const auto& id : ids.split(u';', Qt::SkipEmptyParts)) {
        const auto group = groups.constFind(QStringLiteral("Desktop Action ") + id.trimmed());
        if (group == groups.constEnd())
            continue;
        if (const auto command = execArguments(group->value(QStringLiteral("Exec"))))
            declared.append(
                {id.trimmed(), unescapeDesktopString(group->value(QStringLiteral("Name"))), *command});
    }
    for (const auto& action : declared)
        if (QString(action.id).remove(u'-').remove(u'_').compare(QLatin1String("newwindow"),
                                                                 Qt::CaseInsensitive) == 0)
            return action;
    for (const auto& action : declared)
        if (action.name.trimmed().compare(QLatin1String("New Window"), Qt::CaseInsensitive) == 0)
            return action;
    return std::nullopt;
}
// A list value ("a;b;c;"), each item once, in order.
QStringList listValue(const QString& value) {
    QStringList items;
    for (const auto& item : unescapeDesktopString(value).split(u';', Qt::SkipEmptyParts))
        if (!item.trimmed().isEmpty() && !items.contains(item.trimmed()))
            items.append(item.trimmed());
    return items;
}

// The application an entry file's groups describe; none for hidden entries and other types.
std::optional<DesktopEntry> applicationEntry(const QHash<QString, QHash<QString, QString>>& groups,
                                             const QString& id, const QString& path) {
    const auto keys = groups.value(QStringLiteral("Desktop Entry"));
    const QString type = keys.value(QStringLiteral("Type"));
    if (keys.isEmpty() || isTrue(keys.value(QStringLiteral("Hidden"))) ||
        (!type.isEmpty() && type != "Application"))
        return std::nullopt;
    DesktopEntry entry{id,
                       path,
                       unescapeDesktopString(keys.value(QStringLiteral("Name"))),
                       unescapeDesktopString(keys.value(QStringLiteral("StartupWMClass"))),
                       unescapeDesktopString(keys.value(QStringLiteral("Path"))),
                       newWindowAction(groups)};
    entry.iconName = unescapeDesktopString(keys.value(QStringLiteral("Icon")));
    entry.mimeTypes = listValue(keys.value(QStringLiteral("MimeType")));
    entry.categories = listValue(keys.value(QStringLiteral("Categories")));
    entry.noDisplay = isTrue(keys.value(QStringLiteral("NoDisplay")));
    return entry;
}

// The desktop file id of a file below an applications folder: its path there, '/' made '-'.
QString desktopFileId(const QDir& root, const QString& path) {
    QString id = root.relativeFilePath(path);
    id.chop(int(qstrlen(".desktop")));
    return id.replace(u'/', u'-');
}

} // namespace

DesktopEntryIndex::DesktopEntryIndex(QStringList applicationFolders)
    : m_folders(std::move(applicationFolders)) {}

QStringList DesktopEntryIndex::standardFolders(const QProcessEnvironment& environment) {
    auto absolute = [](const QString& path) { return !path.isEmpty() && QDir::isAbsolutePath(path); };
    QString dataHome = environment.value(QStringLiteral("XDG_DATA_HOME"));
    if (!absolute(dataHome))
        dataHome =
            environment.value(QStringLiteral("HOME"), QDir::homePath()) + QLatin1String("/.local/share");
    QStringList dataDirs;
    for (const auto& dir : environment.value(QStringLiteral("XDG_DATA_DIRS")).split(u':', Qt::SkipEmptyParts))
        if (absolute(dir))
            dataDirs.append(dir);
    if (dataDirs.isEmpty())
        dataDirs = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};

    QStringList folders{QDir::cleanPath(dataHome) + QLatin1String("/applications")};
    for (const auto& dir : dataDirs)
        folders.append(QDir::cleanPath(dir) + QLatin1String("/applications"));
    folders.removeDuplicates();
    return folders;
}

QList<QDateTime> DesktopEntryIndex::folderStamps() const {
    QList<QDateTime> stamps;
    for (const auto& folder : m_folders)
        stamps.append(QFileInfo(folder).lastModified());
    return stamps;
}

void DesktopEntryIndex::rebuildLocked() {
    m_built = true;
    m_stamps = folderStamps();
    m_entries.clear();
    m_byWMClass.clear();
    m_byId.clear();

    QSet<QString> seen;
    for (const auto& folder : m_folders) {
        const QDir root(folder);
        QStringList files;
        // Special files too, so that what is skipped is said.
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files.append(it.next());
        files.sort();
        for (const auto& path : files) {
            const QString id = desktopFileId(root, path);
            // An earlier folder's entry (even a hidden one) overrides this one; a file that
            // cannot be read is no entry.
            if (seen.contains(id))
                continue;
            const auto groups = readDesktopEntryGroups(path);
            if (groups.value(QStringLiteral("Desktop Entry")).isEmpty())
                continue;
            seen.insert(id);
            if (auto entry = applicationEntry(groups, id, path))
                m_entries.append(*entry);
        }
    }
    // Backwards, so the most important entry wins where two claim the same key.
    for (int i = int(m_entries.size()) - 1; i >= 0; --i) {
        const auto& e = m_entries[i];
        if (!e.startupWMClass.isEmpty())
            m_byWMClass.insert(e.startupWMClass.toLower(), i);
        // "kde-konsole" is also "konsole", "org.gnome.Nautilus" also "nautilus".
        const QString base = QFileInfo(e.path).completeBaseName().toLower();
        m_byId.insert(base.section(u'.', -1), i);
        m_byId.insert(base, i);
        m_byId.insert(e.id.toLower(), i);
    }
}

std::optional<DesktopEntry> DesktopEntryIndex::findLocked(const QString& instance,
                                                          const QString& className) const {
    const QStringList keys{className.toLower(), instance.toLower()};
    for (const auto* map : {&m_byWMClass, &m_byId})
        for (const auto& key : keys)
            if (!key.isEmpty())
                if (auto it = map->constFind(key); it != map->constEnd())
                    return m_entries[*it];
    return std::nullopt;
}

std::optional<DesktopEntry> DesktopEntryIndex::forWindowClass(const QString& instance,
                                                              const QString& className) {
    std::lock_guard lock(m_mutex);
    if (!m_built)
        rebuildLocked();
    if (auto found = findLocked(instance, className))
        return found;
    // Something may have been installed since the folders were read.
    if (folderStamps() == m_stamps)
        return std::nullopt;
    rebuildLocked();
    return findLocked(instance, className);
}

void DesktopEntryIndex::refreshLocked() {
    if (!m_built || folderStamps() != m_stamps)
        rebuildLocked();
}

QList<DesktopEntry> DesktopEntryIndex::entries() {
    std::lock_guard lock(m_mutex);
    refreshLocked();
    return m_entries;
}

std::optional<DesktopEntry> DesktopEntryIndex::forId(const QString& id) {
    std::lock_guard lock(m_mutex);
    refreshLocked();
    for (const auto& entry : m_entries)
        if (entry.id == id)
            return entry;
    return std::nullopt;
}

std::optional<DesktopEntry> DesktopEntryIndex::entryAt(const QString& path) {
    const QFileInfo file(path);
    QString id = file.completeBaseName();
    for (const auto& folder : m_folders)
        if (file.absoluteFilePath().startsWith(QDir(folder).absolutePath() + u'/')) {
            id = desktopFileId(QDir(folder), file.absoluteFilePath());
            break;
        }
    return applicationEntry(readDesktopEntryGroups(path), id, path);
}

} // namespace platform
