#pragma once

#include "platform/drawing/Layer.h"

namespace tilewick {

using platform::appendBytes;
using platform::deviceScale;
using platform::paintCached;
using platform::paintLayer;
using platform::shapeCacheKey;

} // namespace tilewick
