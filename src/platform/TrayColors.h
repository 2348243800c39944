#pragma once

#include <QColor>
#include <QObject>

#include <optional>

namespace platform {

// The colour the desktop's system tray asks its icons to be drawn in, where the tray says one
// (freedesktop system tray: `_NET_SYSTEM_TRAY_COLORS` on the tray manager's window). A tray that
// says nothing, or no tray at all, gives none: icons then follow the light or dark appearance.
class TrayColors : public QObject {
    Q_OBJECT
public:
    // The colour of normal icons; none where the tray gives no colours.
    virtual std::optional<QColor> iconColor() const = 0;

signals:
    // On the main thread, after iconColor() changed: the tray set or changed its colours, or
    // another tray took over.
    void changed();
};

} // namespace platform
