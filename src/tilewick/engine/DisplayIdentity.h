#pragma once

#include "platform/Screens.h"

#include <QList>
#include <QString>

#include <optional>

namespace tilewick {

// How a Default App Snap names a display: by its lasting identity (the UUID text the Screens
// service gives), so the snap finds it again after a restart or after it was unplugged.

// The display's identity; none when it has none.
std::optional<QString> displayID(const platform::ScreenInfo& screen);
// The first of `screens` whose identity is exactly `id`; none when no connected display has it.
std::optional<platform::ScreenInfo> screenForDisplayID(const QList<platform::ScreenInfo>& screens,
                                                       const QString& id);

} // namespace tilewick
