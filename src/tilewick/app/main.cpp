#include "tilewick/app/TilewickApp.h"

int main(int argc, char** argv) {
    return tilewick::runTilewick(argc, argv);
}
