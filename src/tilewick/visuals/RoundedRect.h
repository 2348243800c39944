#pragma once

#include "platform/drawing/RoundedRect.h"

namespace tilewick {

using platform::CornerStyle;
using platform::RoundedRect;

} // namespace tilewick
