// Key tracking and the floating keyboard.

#include "TilewickStore.h"

namespace tilewick {

void TilewickStore::hideOverlay() {
    setMultiWindow(false);
    setMultiWindowUnsupported(std::nullopt);
    if (m_overlayPending)
        m_overlayPending->cancel();
    m_overlayPending.reset();
    m_hooks.overlay->hide();
    // Keys held in other applications are forgotten; while this program is active its own
    // key monitor keeps them right.
    if (!m_hooks.shell->isActive() && !m_pressedKeys.isEmpty())
        setPressedKeys({});
}

} // namespace tilewick
