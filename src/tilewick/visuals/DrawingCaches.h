#pragma once

namespace tilewick {

// Lets go of the pictures and fonts views keep for their repaints (blurred shadows, cached
// outlines, items' cached faces, the fonts of each size and Qt's engines behind them) and hands
// the freed memory back to the system, with the pages of library code brought in since the main
// view was first made (platform::noteResidentFilePages()). A window that closes calls it: what it
// drew is drawn again when it opens. Main thread only, between events.
void releaseDrawingCaches();

// Lets go of the kept shadows, outlines and fonts not drawn since the last trim. A window that
// draws at a new size calls it first, so a resize keeps what the sizes in use draw instead of
// what every size passed through drew. Main thread only, between events or as a paint begins.
void trimDrawingCaches();

} // namespace tilewick
