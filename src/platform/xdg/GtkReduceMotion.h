#pragma once

#include "platform/ReduceMotion.h"

#include <QString>

class QProcess;

#include <optional>

namespace platform {

// Reduce motion from the desktop's "enable animations" setting: GNOME's
// org.gnome.desktop.interface enable-animations when gsettings knows that key, else
// gtk-enable-animations of the GTK 3 settings file; motion stays on when neither says.
// gsettings is a process of its own: it is asked in the background, never while a view waits
// (at start, or in a hotkey's redraw), and its answer holds from the next decision on. Until the
// first answer the settings file decides. An answer is kept for a few seconds, so asking once per
// animation decision is cheap.
class GtkReduceMotion final : public ReduceMotion {
public:
    // `configHome` is the XDG config folder that holds gtk-3.0/settings.ini. Asks gsettings at once.
    explicit GtkReduceMotion(QString configHome);
    ~GtkReduceMotion() override;

    bool reduceMotion() const override;

    // "true"/"false" as gsettings prints them; none for anything else.
    static std::optional<bool> parseGsettingsBool(const QString& output);
    // gtk-enable-animations from the [Settings] group of a GTK settings file; none when absent.
    static std::optional<bool> enableAnimationsFromIni(const QString& text);

private:
    // Starts asking gsettings unless it is being asked; the settings file when there is none.
    void ask() const;
    void answered() const;
    std::optional<bool> fileEnableAnimations() const;

    QString m_configHome;
    mutable bool m_cached = false;
    mutable qint64 m_readAt = 0;
    mutable QProcess* m_asking = nullptr;
};

} // namespace platform
