#pragma once

#include "tilewick/model/SnapAction.h"

#include <functional>
#include <optional>

namespace tilewick {

// What a host tells its drawn keyboard: which keyboard it is and how its keys behave. The main
// window keeps the defaults but for the three flags it derives from the store; the floating
// keyboard sets the branded space bar, all hotkeys selected, a face opacity of 0.94 and guide
// keys; the render tools fix renderTime.
struct KeyboardEnvironment {
    // A fixed animation time in seconds for still renderings (frame i at i / 30).
    std::optional<double> renderTime;
    // The floating keyboard: the space bar shows the mark or the unsupported-app line.
    bool brandedSpaceBar = false;
    // The keyboard picks a Default App Snap layout.
    bool pickingAppSnap = false;
    // Every part of each layout glyph is lit.
    bool allPartsLit = false;
    // Every bound key is drawn as selected, whatever the current tab.
    bool allHotkeysSelected = false;
    double keyFaceOpacity = 1.0;
    // The keys only show hotkeys: no click, hover or tip.
    bool keysAreGuide = false;
    // Picking a layout key while setting up a Default App Snap: the store's assignAppSnapKey.
    std::function<void(SnapAction)> assignAppSnapKey;
};

} // namespace tilewick
