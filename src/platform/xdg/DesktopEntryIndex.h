#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <mutex>
#include <optional>

namespace platform {

// One action a desktop entry declares (its Actions key and [Desktop Action <id>] group).
struct DesktopAction {
    QString id;
    QString name;
    // The program and its arguments, field codes removed.
    QStringList command;
    friend bool operator==(const DesktopAction&, const DesktopAction&) = default;
};

// One installed application's desktop entry.
struct DesktopEntry {
    // The desktop file id ("org.gnome.Terminal"; "kde-konsole" for kde/konsole.desktop).
    QString id;
    QString path;
    QString name;
    QString startupWMClass;
    // Where its programs run (Path); empty: the home folder.
    QString workingDirectory;
    // The action that opens a new window: the one with the id "new-window" (also "NewWindow",
    // "new_window"), else one named "New Window", whatever the case; none without one that can run.
    std::optional<DesktopAction> newWindow;
    // Icon: a name in the icon theme or an absolute file.
    QString iconName;
    // MimeType and Categories, each item once, in the file's order.
    QStringList mimeTypes;
    QStringList categories;
    // NoDisplay: not to be shown in menus, though it still describes its windows.
    bool noDisplay = false;
};

// The desktop entries of the installed applications, found by the class of their windows.
//
// Folders are given most important first; an id found in an earlier folder hides the same id in
// later ones. The folders are read on first use and again when a lookup misses after one of them
// changed. Thread-safe.
class DesktopEntryIndex {
public:
    explicit DesktopEntryIndex(QStringList applicationFolders);

    // $XDG_DATA_HOME/applications, then $XDG_DATA_DIRS/applications in order (defaults as the
    // base-directory conventions give them).
    static QStringList
    standardFolders(const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

    // The entry of a window whose WM_CLASS is (instance, className): first an entry whose
    // StartupWMClass names the class or instance, then one whose id or file name (or the last
    // part of a reverse-domain one) does; case does not matter. None when no entry claims it.
    std::optional<DesktopEntry> forWindowClass(const QString& instance, const QString& className);
    // Every entry, the most important folder's first; read again when a folder changed.
    QList<DesktopEntry> entries();
    // The entry with this id; none when there is none (or it is hidden).
    std::optional<DesktopEntry> forId(const QString& id);
    // The entry in the file at `path`, read afresh; its id as one of the folders gives it, else
    // the file's name. None when the file holds no application entry.
    std::optional<DesktopEntry> entryAt(const QString& path);

private:
    // Reads the folders when they were never read or one of them changed since.
    void refreshLocked();
    void rebuildLocked();
    QList<QDateTime> folderStamps() const;
    std::optional<DesktopEntry> findLocked(const QString& instance, const QString& className) const;

    const QStringList m_folders;
    std::mutex m_mutex;
    bool m_built = false;
    QList<QDateTime> m_stamps;
    QList<DesktopEntry> m_entries; // most important first
    QHash<QString, int> m_byWMClass;
    QHash<QString, int> m_byId;
};

} // namespace platform
