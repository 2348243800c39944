#include "StoreHooks.h"

#include "platform/Platform.h"

#include "tilewick/engine/HotkeyEngine.h"
#include "tilewick/engine/MultiWindow.h"
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
    if (!hooks.shell)
        hooks.shell = std::make_shared<InertAppShell>();
    if (!hooks.mover) // the shared mover lives for the whole process
        hooks.mover = std::shared_ptr<WindowMover>(&WindowMover::shared(), [](WindowMover*) {});
    if (!hooks.multiWindow) {
        // The shared filler moves windows with the shared mover; another mover gets its own.
        auto filler = hooks.mover.get() == &WindowMover::shared()
                          ? MultiWindow::shared().shared_from_this()
                          : std::make_shared<MultiWindow>(platform::Platform::current(), hooks.mover);
        hooks.multiWindow = std::make_shared<MultiWindowAdapter>(std::move(filler));
    }
    return hooks;
}

} // namespace tilewick
