#pragma once

namespace tilewick {

// Lets go of the pictures views keep for their repaints (blurred shadows, cached outlines, items'
// cached faces) and hands the freed memory back to the system. A window that closes calls it:
// what it drew is drawn again when it opens. Main thread only.
void releaseDrawingCaches();

} // namespace tilewick
