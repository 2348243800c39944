#pragma once

#include "Symbols.h"

#include "platform/drawing/ButtonLabel.h"

namespace tilewick {

using platform::ButtonLabel;
using platform::ButtonState;

} // namespace tilewick
