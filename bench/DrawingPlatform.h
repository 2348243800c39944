#pragma once

// The simulated platform the drawing benchmarks run on, installed, with the fonts of the application
// folder named as the first argument (`<build>/Tilewick.app`) so text is drawn as the program draws it.

#include "platform/Platform.h"
#include "platform/sim/SimBundle.h"
#include "platform/sim/SimPlatform.h"
#include "tilewick/visuals/InterFont.h"

#include <memory>

namespace bench {

inline std::shared_ptr<platform::Platform> installDrawingPlatform(int argc, char** argv) {
    auto platform = platform::sim::makeSimPlatform();
    platform::Platform::install(platform);
    if (argc > 1)
        platform->service<platform::sim::SimBundle>().setBundlePath(QString::fromLocal8Bit(argv[1]));
    tilewick::InterFontLibrary::setSharedResources(platform->bundle().resourcesPath());
    return platform;
}

} // namespace bench
