#include "TilewickApp.h"

#include "platform/DesktopPlatform.h"
#include "tilewick/visuals/QuarterIcon.h"

#include <QApplication>
#include <cstdio>

namespace tilewick {

int runTilewick(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tilewick");
    QApplication::setOrganizationDomain("corvane.com");
    platform::Platform::install(platform::makeDesktopPlatform(TILEWICK_BUNDLE_ID, "Tilewick"));
    // The desktop matches windows to Contents/Resources/tilewick.desktop and shows this icon.
    QApplication::setDesktopFileName("tilewick");
    QApplication::setWindowIcon(applicationIcon());

    std::fputs("Tilewick: the window engine is not built yet; nothing to run.\n", stderr);

    platform::Platform::uninstall();
    return 0;
}

} // namespace tilewick
