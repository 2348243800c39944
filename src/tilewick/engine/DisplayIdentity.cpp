#include "DisplayIdentity.h"

namespace tilewick {

std::optional<QString> displayID(const platform::ScreenInfo& screen) {
    if (screen.uuid.isEmpty())
        return std::nullopt;
    return screen.uuid;
}

std::optional<platform::ScreenInfo> screenForDisplayID(const QList<platform::ScreenInfo>& screens,
                                                       const QString& id) {
    for (const auto& screen : screens)
        if (displayID(screen) == id)
            return screen;
    return std::nullopt;
}

} // namespace tilewick
