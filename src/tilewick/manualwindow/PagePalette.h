#pragma once

#include "tilewick/visuals/Theme.h"

class QWidget;

namespace tilewick {

// Gives `widget` and everything in it the page's surfaces in `scheme`: the background behind
// scroll areas and their contents, and scroll bars drawn in the scheme's own colours.
void applyPagePalette(QWidget& widget, Scheme scheme);

} // namespace tilewick
