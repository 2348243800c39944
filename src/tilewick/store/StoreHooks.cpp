#include "StoreHooks.h"

namespace tilewick {

StoreHooks StoreHooks::standard() {
    return StoreHooks{}.completed();
}

StoreHooks StoreHooks::completed() const {
    StoreHooks hooks = *this;
    if (!hooks.engine)
        hooks.engine = std::make_shared<InertHotkeyEngine>();
    if (!hooks.overlay)
        hooks.overlay = std::make_shared<InertKeyboardOverlay>();
    if (!hooks.appSnaps)
        hooks.appSnaps = std::make_shared<InertAppSnapStorage>();
    if (!hooks.shell)
        hooks.shell = std::make_shared<InertAppShell>();
    return hooks;
}

} // namespace tilewick
