#pragma once

#include "platform/ReduceMotion.h"

#include <QString>

#include <optional>

namespace platform {

// Reduce motion from the desktop's "enable animations" setting: GNOME's
// org.gnome.desktop.interface enable-animations when gsettings knows that key, else
// gtk-enable-animations of the GTK 3 settings file; motion stays on when neither says.
// The answer is kept for a few seconds, so asking once per animation decision is cheap.
class GtkReduceMotion final : public ReduceMotion {
public:
    // `configHome` is the XDG config folder that holds gtk-3.0/settings.ini.
    explicit GtkReduceMotion(QString configHome);

    bool reduceMotion() const override;

    // "true"/"false" as gsettings prints them; none for anything else.
    static std::optional<bool> parseGsettingsBool(const QString& output);
    // gtk-enable-animations from the [Settings] group of a GTK settings file; none when absent.
    static std::optional<bool> enableAnimationsFromIni(const QString& text);

private:
    std::optional<bool> readEnableAnimations() const;

    QString m_configHome;
    mutable bool m_cached = false;
    mutable qint64 m_readAt = 0;
};

} // namespace platform
