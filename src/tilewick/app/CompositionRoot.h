#pragma once

namespace tilewick {

// Starts the program on the desktop: developer tools, or the desktop's services made here and
// handed to runProgram(). The one place that names the desktop back-ends.
int runTilewick(int argc, char** argv);

} // namespace tilewick
