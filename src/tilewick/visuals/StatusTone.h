#pragma once

#include "Theme.h"

namespace tilewick {

// The tone of a status chip or banner.
enum class StatusTone { good, warn, danger, accent, neutral };

// Text and icon colour of a tone.
ThemeColor statusToneForeground(StatusTone tone);
// Fill of a chip of a tone.
ThemeColor statusToneFill(StatusTone tone);
// Border of a chip of a tone: the foreground at opacity 0.55; the neutral tone's plain border.
QColor statusToneTint(StatusTone tone, Scheme scheme);

} // namespace tilewick
