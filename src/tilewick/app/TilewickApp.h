#pragma once

namespace tilewick {

// Starts the program: installs the platform, creates the application and runs its event loop.
int runTilewick(int argc, char** argv);

} // namespace tilewick
