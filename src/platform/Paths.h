#pragma once

#include <QDir>
#include <QString>

namespace platform {

// The folders the program writes to, after the XDG base-directory conventions.
// Tests point them at private folders.
class Paths {
public:
    virtual ~Paths() = default;
    // $XDG_CONFIG_HOME (default ~/.config): where defaults domains live.
    virtual QString configHome() const = 0;
    // Application Support: $XDG_DATA_HOME (default ~/.local/share).
    virtual QString applicationSupport() const = 0;
    // Crash reports: $XDG_STATE_HOME/DiagnosticReports (default ~/.local/state/DiagnosticReports).
    virtual QString diagnosticReports() const = 0;
    // Login items: $XDG_CONFIG_HOME/autostart.
    virtual QString autostart() const = 0;
    // The user's home folder.
    virtual QString home() const = 0;
    // The temporary folder ($TMPDIR, else /tmp); it may have to be created.
    virtual QString temporary() const { return QDir::tempPath(); }
};

} // namespace platform
