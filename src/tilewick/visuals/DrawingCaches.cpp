#include "DrawingCaches.h"

#include "InterFont.h"
#include "Layer.h"
#include "Shadow.h"

#include "platform/ResidentFilePages.h"
#include "platform/drawing/Layer.h"

#include <QFont>
#include <QPixmapCache>
#include <QThreadPool>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tilewick {

void trimDrawingCaches() {
    Shadow::trimCache();
    platform::trimCachedPictures();
    InterFontLibrary::shared().trim();
}

void releaseDrawingCaches() {
    Shadow::releaseCache();
    platform::releaseCachedPictures();
    QPixmapCache::clear();
    // Qt keeps a font engine, with the glyphs it rendered, for every size drawn since the start,
    // referenced or not, up to a budget that leaves most of them kept; the fonts go first, then
    // Qt's cache of their engines. A font still held elsewhere loads its engine again when next
    // used.
    InterFontLibrary::shared().release();
    QFont::cleanup();
    // The raster engine's helper threads, idle now, would wait out their expiry with their stacks
    // and the allocator's caches; they start again for the next picture that needs them.
    QThreadPool::globalInstance()->waitForDone(0);
#if defined(__GLIBC__)
    // The allocator keeps freed pages for the next allocation; a closed window's are not needed.
    malloc_trim(0);
#endif
    // The library code the window ran stays mapped, counted as the process's own and kept from
    // reclaim as executable pages are; what was not resident before the first window goes back.
    platform::handBackFilePagesSinceNoted();
}

} // namespace tilewick
