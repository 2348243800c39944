#pragma once

#include "platform/Platform.h"

#include <memory>

namespace platform {

// The Platform of the real program: the Qt runtime (create it on the QApplication's thread,
// after the QApplication), XDG folders, the application folder of the running executable,
// defaults in <XDG config>/<domain>/defaults.json, XDG autostart login items, Qt alerts and
// the Qt appearance, the keyboard type from the environment; and, when the X server of $DISPLAY
// answers, Accessibility, Screens, Workspace, Sound, the keyboard type and the event tap over it.
// The defaults domain is the application folder's bundle identifier, or `fallbackDomain`
// when its Info.plist does not name one.
std::shared_ptr<Platform> makeDesktopPlatform(const QString& fallbackDomain, const QString& appName);

} // namespace platform
