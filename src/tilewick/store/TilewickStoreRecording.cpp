// Hotkey recording and modifier editing.

#include "TilewickStore.h"

namespace tilewick {

void TilewickStore::stopRecording() {
    // Dropping the token removes the local key monitor.
    m_recorder.reset();
    m_hooks.engine->clearRecorder();
}

} // namespace tilewick
