#include "tilewick/app/CompositionRoot.h"

int main(int argc, char** argv) {
    return tilewick::runTilewick(argc, argv);
}
