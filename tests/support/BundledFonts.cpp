#include "tilewick/visuals/InterFont.h"

namespace {

// Views in tests draw with the fonts of this build's application folder, as the program draws
// with its own: the folder is named before any test runs.
const bool kFontsNamed =
    (tilewick::InterFontLibrary::setSharedResources(TILEWICK_TEST_APP_DIR "/Contents/Resources"), true);

} // namespace
