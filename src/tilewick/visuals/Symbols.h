#pragma once

#include "platform/drawing/Symbols.h"

namespace tilewick {

namespace Symbols = platform::Symbols;
using platform::SymbolWeight;

} // namespace tilewick
