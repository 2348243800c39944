#include "DrawingCaches.h"

#include "Layer.h"
#include "Shadow.h"

#include "platform/drawing/Layer.h"

#include <QPixmapCache>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tilewick {

void releaseDrawingCaches() {
    Shadow::releaseCache();
    platform::releaseCachedPictures();
    QPixmapCache::clear();
#if defined(__GLIBC__)
    // The allocator keeps freed pages for the next allocation; a closed window's are not needed.
    malloc_trim(0);
#endif
}

} // namespace tilewick
