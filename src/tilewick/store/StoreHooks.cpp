#include "StoreHooks.h"

#include "tilewick/engine/HotkeyEngine.h"
#include "tilewick/engine/WindowMover.h"

namespace tilewick {

StoreHooks StoreHooks::standard() {
    return StoreHooks{}.completed();
}

StoreHooks StoreHooks::completed() const {
    StoreHooks hooks = *this;
    if (!hooks.engine) // the shared engine lives as long as the process: nothing to release
        hooks.engine = std::make_shared<HotkeyEngineAdapter>(
            std::shared_ptr<HotkeyEngine>(&HotkeyEngine::shared(), [](HotkeyEngine*) {}));
    if (!hooks.overlay)
        hooks.overlay = std::make_shared<InertKeyboardOverlay>();
    if (!hooks.appSnaps)
        hooks.appSnaps = std::make_shared<InertAppSnapStorage>();
    if (!hooks.shell)
        hooks.shell = std::make_shared<InertAppShell>();
    if (!hooks.multiWindow)
        hooks.multiWindow = std::make_shared<InertMultiWindow>();
    if (!hooks.mover) // the shared mover lives for the whole process
        hooks.mover = std::shared_ptr<WindowMover>(&WindowMover::shared(), [](WindowMover*) {});
    return hooks;
}

} // namespace tilewick
