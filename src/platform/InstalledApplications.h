#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace platform {

// An application installed on this machine, as the desktop describes it to people.
struct InstalledApplication {
    // Its identifier, the one running applications report as their bundle identifier.
    QString id;
    // Its name for people.
    QString name;
    // Where it is described (its bundle, or its desktop entry).
    QString path;
    // Its icon: a name in the icon theme, or an absolute file; empty without one.
    QString iconName;
    // The document and URL types it declares it opens (MIME types; URL schemes as
    // "x-scheme-handler/<scheme>").
    QStringList documentTypes;
    // The categories it declares ("TerminalEmulator", "FileManager" …).
    QStringList categories;
    // It declares an action that opens a new window.
    bool hasNewWindowAction = false;
    // Offered in the desktop's menus (not marked as hidden from them).
    bool listed = true;

    friend bool operator==(const InstalledApplication&, const InstalledApplication&) = default;
};

// The applications installed on this machine. Blocking file work: call off the main thread where
// it may take long. Thread-safe.
class InstalledApplications {
public:
    virtual ~InstalledApplications() = default;
    // Every installed application, listed or not, each identifier once, the most important
    // folder's first.
    virtual QList<InstalledApplication> applications() = 0;
    // The application with this identifier; none when none is installed.
    virtual std::optional<InstalledApplication> application(const QString& id) = 0;
    // The application described at `path`, read afresh; none when it describes none.
    virtual std::optional<InstalledApplication> applicationAt(const QString& path) = 0;
};

} // namespace platform
