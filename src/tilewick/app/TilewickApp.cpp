#include "TilewickApp.h"

#include <QApplication>
#include <cstdio>

namespace tilewick {

int runTilewick(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tilewick");
    QApplication::setOrganizationDomain("corvane.com");
    std::fputs("Tilewick: the window engine is not built yet; nothing to run.\n", stderr);
    return 0;
}

} // namespace tilewick
