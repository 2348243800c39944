#pragma once

#include "tilewick/model/SnapAction.h"

#include <QString>

#include <optional>

namespace tilewick {

// One Default App Snap: where the windows of one application go when it launches or opens a
// window.
struct AppSnap {
    // Identity: at most one snap per application.
    QString bundleID;
    // The application's name when the snap was first saved.
    QString name;
    // A cells layout, or centre or maximize.
    SnapAction action = SnapAction::centre;
    // Fill the layout's cells with several windows of the application.
    bool multiWindow = false;
    // The chosen display's UUID text; none: the display the window is on.
    std::optional<QString> displayID;
    std::optional<QString> displayName;

    friend bool operator==(const AppSnap&, const AppSnap&) = default;
};

} // namespace tilewick
