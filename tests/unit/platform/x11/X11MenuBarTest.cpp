#include "platform/x11/X11MenuBar.h"

#include <gtest/gtest.h>

using platform::AXElement;
using platform::AXElementList;
using platform::AXError;
using platform::AXValue;
using platform::x11::X11MenuBar;
using Node = X11MenuBar::Node;

namespace {

constexpr qint32 kTerm = 4711;

AXElement node(Node n) {
    return X11MenuBar::element(kTerm, n);
}

std::pair<AXError, AXValue> read(Node n, const char* attribute, bool opensWindows = true) {
    AXValue out;
    const AXError error = X11MenuBar::read(node(n), QStringLiteral("Terminal"), opensWindows,
                                           QString::fromLatin1(attribute), out);
    return {error, out};
}

} // namespace

TEST(X11MenuBar, AFileMenuWithNewWindowWhenTheEntryCanOpenOne) {
    using V = AXValue;
    const struct {
        Node node;
        const char* attribute;
        AXError error;
        V value;
    } rows[] = {
        {Node::Bar, "AXRole", AXError::Success, V(QStringLiteral("AXMenuBar"))},
        {Node::Bar, "AXChildren", AXError::Success,
         V(AXElementList{node(Node::AppItem), node(Node::FileItem)})},
        {Node::Bar, "AXTitle", AXError::AttributeUnsupported, V()},
        {Node::AppItem, "AXTitle", AXError::Success, V(QStringLiteral("Terminal"))},
        {Node::AppItem, "AXChildren", AXError::Success, V(AXElementList{node(Node::AppMenu)})},
        {Node::AppMenu, "AXChildren", AXError::Success, V(AXElementList{})},
        {Node::FileItem, "AXTitle", AXError::Success, V(QStringLiteral("File"))},
        {Node::FileItem, "AXChildren", AXError::Success, V(AXElementList{node(Node::FileMenu)})},
        {Node::FileMenu, "AXChildren", AXError::Success, V(AXElementList{node(Node::NewWindow)})},
        {Node::NewWindow, "AXRole", AXError::Success, V(QStringLiteral("AXMenuItem"))},
        {Node::NewWindow, "AXTitle", AXError::Success, V(QStringLiteral("New Window"))},
        {Node::NewWindow, "AXEnabled", AXError::Success, V(true)},
        {Node::NewWindow, "AXMenuItemCmdChar", AXError::Success, V(QStringLiteral("N"))},
        {Node::NewWindow, "AXChildren", AXError::Success, V(AXElementList{})},
        {Node::FileItem, "AXMenuItemCmdChar", AXError::NoValue, V()},
        {Node::NewWindow, "AXPosition", AXError::AttributeUnsupported, V()},
    };
    for (const auto& r : rows) {
        const auto [error, value] = read(r.node, r.attribute);
        EXPECT_EQ(error, r.error) << int(r.node) << r.attribute;
        if (r.error == AXError::Success) {
            EXPECT_EQ(value, r.value) << int(r.node) << r.attribute;
        }
    }
}

TEST(X11MenuBar, WithoutANewWindowActionOnlyTheApplicationMenu) {
    EXPECT_EQ(read(Node::Bar, "AXChildren", false).second, AXValue(AXElementList{node(Node::AppItem)}));
    for (Node n : {Node::FileItem, Node::FileMenu, Node::NewWindow})
        EXPECT_EQ(read(n, "AXTitle", false).first, AXError::InvalidUIElement);
}

TEST(X11MenuBar, ElementsTellTheirNodeAndApplication) {
    const AXElement item = node(Node::NewWindow);
    EXPECT_EQ(item.pid(), kTerm);
    EXPECT_EQ(X11MenuBar::nodeOf(item), Node::NewWindow);
    EXPECT_NE(item, X11MenuBar::element(kTerm + 1, Node::NewWindow));
    EXPECT_EQ(X11MenuBar::nodeOf(AXElement((quint64(X11MenuBar::kKind) << 56) | 7, kTerm)), std::nullopt);
    EXPECT_EQ(X11MenuBar::nodeOf(AXElement((quint64(3) << 56) | 7, kTerm)), std::nullopt) << "a window";
    EXPECT_EQ(X11MenuBar::nodeOf(AXElement()), std::nullopt);
}
