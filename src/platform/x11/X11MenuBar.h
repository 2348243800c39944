#pragma once

#include "platform/Accessibility.h"
#include "platform/xdg/DesktopEntryIndex.h"

#include <QString>

#include <optional>

namespace platform::x11 {

// The menus of other applications cannot be reached through X, so each application gets a small
// menu bar of its own making: its application menu (empty), and when its desktop entry can open a
// new window, a "File" menu holding an enabled "New Window" item with the command character "N",
// whose press runs that action. So the search for a new-window item works as it would in real
// menus.
//
// Elements: the kind 4 in the top byte, the node in the next, the application's pid below.
class X11MenuBar {
public:
    enum class Node : quint8 { Bar = 1, AppItem, AppMenu, FileItem, FileMenu, NewWindow };

    static constexpr quint64 kKind = 4;

    static AXElement element(qint32 pid, Node node);
    // The node of a menu element; none for anything else.
    static std::optional<Node> nodeOf(const AXElement& element);

    // Reads an attribute ("AXRole", "AXTitle", "AXChildren", "AXEnabled", "AXMenuItemCmdChar") of
    // a node of the menu bar of the application `appName`; `opensWindows`: it has a new-window
    // action. The nodes of the "File" menu do not exist without one.
    static AXError read(const AXElement& element, const QString& appName, bool opensWindows,
                        const QString& attribute, AXValue& out);
    // "AXPress" on the "New Window" item: runs the action's command detached, without a shell, in
    // this program's environment, in the entry's working folder (else the home folder).
    static AXError pressNewWindow(const DesktopEntry& entry);
};

} // namespace platform::x11
