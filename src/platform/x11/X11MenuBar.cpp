#include "X11MenuBar.h"

#include <QDir>
#include <QProcess>

namespace platform::x11 {

AXElement X11MenuBar::element(qint32 pid, Node node) {
    return AXElement((kKind << 56) | (quint64(node) << 48) | quint32(pid), pid);
}

std::optional<X11MenuBar::Node> X11MenuBar::nodeOf(const AXElement& element) {
    const quint64 id = element.id();
    const auto node = quint8(id >> 48);
    if (element.isNull() || (id >> 56) != kKind || node < quint8(Node::Bar) || node > quint8(Node::NewWindow))
        return std::nullopt;
    return Node(node);
}

AXError X11MenuBar::read(const AXElement& element, const QString& appName, bool opensWindows,
                         const QString& a, AXValue& out) {
    const auto node = nodeOf(element);
    if (!node)
        return AXError::InvalidUIElement;
    if (*node >= Node::FileItem && !opensWindows)
        return AXError::InvalidUIElement;
    const qint32 pid = element.pid();
    auto children = [pid](std::initializer_list<Node> nodes) {
        AXElementList list;
        for (Node n : nodes)
            list.append(X11MenuBar::element(pid, n));
        return list;
    };

    if (a == AXAttribute::Children) {
        switch (*node) {
        case Node::Bar:
            out = opensWindows ? children({Node::AppItem, Node::FileItem}) : children({Node::AppItem});
            break;
        case Node::AppItem:
            out = children({Node::AppMenu});
            break;
        case Node::FileItem:
            out = children({Node::FileMenu});
            break;
        case Node::FileMenu:
            out = children({Node::NewWindow});
            break;
        case Node::AppMenu:
        case Node::NewWindow:
            out = AXElementList{};
            break;
        }
        return AXError::Success;
    }
    if (a == AXAttribute::Role) {
        switch (*node) {
        case Node::Bar:
            out = AXRole::MenuBar;
            break;
        case Node::AppItem:
        case Node::FileItem:
            out = AXRole::MenuBarItem;
            break;
        case Node::AppMenu:
        case Node::FileMenu:
            out = AXRole::Menu;
            break;
        case Node::NewWindow:
            out = AXRole::MenuItem;
            break;
        }
        return AXError::Success;
    }
    if (*node == Node::Bar)
        return AXError::AttributeUnsupported;
    if (a == AXAttribute::Title) {
        if (*node == Node::AppItem || *node == Node::AppMenu)
            out = appName;
        else if (*node == Node::NewWindow)
            out = QStringLiteral("New Window");
        else
            out = QStringLiteral("File");
        return AXError::Success;
    }
    if (a == AXAttribute::Enabled) {
        out = true;
        return AXError::Success;
    }
    if (a == AXAttribute::MenuItemCmdChar) {
        if (*node != Node::NewWindow)
            return AXError::NoValue;
        out = QStringLiteral("N");
        return AXError::Success;
    }
    return AXError::AttributeUnsupported;
}

AXError X11MenuBar::pressNewWindow(const DesktopEntry& entry) {
    if (!entry.newWindow || entry.newWindow->command.isEmpty())
        return AXError::ActionUnsupported;
    const QStringList& command = entry.newWindow->command;
    const QString folder = entry.workingDirectory.isEmpty() ? QDir::homePath() : entry.workingDirectory;
    return QProcess::startDetached(command.first(), command.mid(1), folder) ? AXError::Success
                                                                            : AXError::CannotComplete;
}

} // namespace platform::x11
