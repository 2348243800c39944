#pragma once

#include <QKeySequence>
#include <QString>

#include <functional>
#include <vector>

namespace betakit {

// The kit's menu commands for a host that builds its menus from command groups: one group, placed
// after the application's About item, with the one button "Check for Beta Update…" (no shortcut),
// which runs the check on request. Before the kit has started it does nothing.
class BetaUpdateCommands {
public:
    enum class Placement { AfterApplicationInfo };
    struct Button {
        QString title;
        QKeySequence shortcut;
        std::function<void()> action;
    };
    struct Group {
        Placement placement;
        std::vector<Button> buttons;
    };

    BetaUpdateCommands() = default;

    Group body() const;
};

} // namespace betakit
