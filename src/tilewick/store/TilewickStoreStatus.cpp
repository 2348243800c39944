// The store's status poll and conflict watch.

#include "TilewickStore.h"

#include "platform/Accessibility.h"
#include "platform/Platform.h"

namespace tilewick {

void TilewickStore::refreshStatus() {
    // Permission only, for now: the event tap and its "hotkeys" event join with the hotkey
    // engine, which owns the tap.
    setTrusted(m_platform.service<platform::Accessibility>().isProcessTrusted());
}

void TilewickStore::refreshConflicts(bool alert) {
    // The scan over running applications and its alerts come with the conflict watch; until
    // then no utility is reported.
    Q_UNUSED(alert);
}

} // namespace tilewick
