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

private:
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
