#pragma once

#include "tilewick/model/InstalledApp.h"

#include <QHash>
#include <QIcon>
#include <QString>

#include <functional>
#include <optional>

class QPainter;
class QRectF;

namespace tilewick {

// The application icons of the picker and the saved snaps, kept for as long as the page lives:
// an icon is loaded once per application location, and an identifier looked up once it is found.
// Main thread only.
class AppIcons {
public:
    // The application the desktop knows by an identifier; none when it knows none.
    using LookUp = std::function<std::optional<InstalledApp>(const QString& bundleID)>;
    // The icon of an icon name (a name in the icon theme, or an absolute file); null without one.
    using Load = std::function<QIcon(const QString& iconName)>;

    explicit AppIcons(LookUp lookUp, Load load = themeIcon);

    // The icon of an application: its own, else the desktop's generic application icon.
    QIcon icon(const InstalledApp& app);
    // The icon of the application with this identifier; none when the desktop knows no such
    // application, which is asked again next time.
    std::optional<QIcon> icon(const QString& bundleID);

    // An icon name from the icon theme, or an absolute file.
    static QIcon themeIcon(const QString& iconName);
    // The icon of an application that has none of its own: the icon theme's, else a drawn one.
    QIcon genericIcon();
    // Draws an icon into `rect`, smoothly scaled from a sharp enough picture.
    static void paint(QPainter& painter, const QRectF& rect, const QIcon& icon);

private:
    LookUp m_lookUp;
    Load m_load;
    QHash<QString, QIcon> m_byLocation;
    QHash<QString, InstalledApp> m_byIdentifier;
    QIcon m_generic;
};

} // namespace tilewick
