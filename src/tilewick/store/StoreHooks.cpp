#include "StoreHooks.h"

#include "platform/Platform.h"

#include "tilewick/engine/HotkeyEngine.h"
#include "tilewick/engine/MultiWindow.h"
#include "tilewick/engine/WindowMover.h"

namespace tilewick {

StoreHooks StoreHooks::over(const platform::Platform& platform) {
    StoreHooks hooks;
    hooks.engine = std::make_shared<HotkeyEngineAdapter>(std::make_shared<HotkeyEngine>(
        platform.shared<platform::Runtime>(), platform.shared<platform::EventTap>()));
    hooks.mover = std::make_shared<WindowMover>(platform);
    hooks.multiWindow =
        std::make_shared<MultiWindowAdapter>(std::make_shared<MultiWindow>(platform, hooks.mover));
    return hooks;
}

StoreHooks StoreHooks::completed() const {
    StoreHooks hooks = *this;
    if (!hooks.overlay)
        hooks.overlay = std::make_shared<InertKeyboardOverlay>();
    if (!hooks.shell)
        hooks.shell = std::make_shared<InertAppShell>();
    return hooks;
}

} // namespace tilewick
