#include "platform/x11/X11Connection.h"
#include "platform/x11/X11TrayColors.h"

#include <gtest/gtest.h>

namespace platform::x11 {
namespace {

Property cardinals(QByteArray data, quint8 format = 32) {
    Property p;
    p.type = XCB_ATOM_CARDINAL;
    p.format = format;
    p.data = std::move(data);
    return p;
}

// Clients and hostile users set properties of any length and format.
TEST(X11PropertyTest, ValuesTolerateEmptyShortAndMisformattedData) {
    EXPECT_TRUE(cardinals({}).values().isEmpty());
    EXPECT_FALSE(cardinals({}).value());
    EXPECT_TRUE(cardinals(QByteArray(3, '\x01')).values().isEmpty());
    EXPECT_TRUE(cardinals(QByteArray(8, '\x01'), 8).values().isEmpty());

    const quint32 words[] = {7, 0xFFFFFFFFu};
    QByteArray bytes(reinterpret_cast<const char*>(words), sizeof words);
    bytes.append('\x05'); // a stray trailing byte is ignored
    EXPECT_EQ(cardinals(bytes).values(), (QList<quint32>{7, 0xFFFFFFFFu}));
    EXPECT_EQ(cardinals(bytes).value(), 7u);
}

// _NET_SYSTEM_TRAY_COLORS: normal, error, warning and success as 16-bit red, green, blue; icons
// take the first. Trays and hostile clients may set anything.
TEST(X11TrayColorsTest, TheNormalColourIsTheFirstTriple) {
    const auto words = [](std::initializer_list<quint32> values) {
        QByteArray bytes;
        for (quint32 v : values)
            bytes.append(reinterpret_cast<const char*>(&v), sizeof v);
        return cardinals(bytes);
    };
    const auto normal =
        trayIconColor(words({0xffff, 0x8080, 0, 0xffff, 0, 0, 0xffff, 0xffff, 0, 0, 0xffff, 0}));
    ASSERT_TRUE(normal);
    EXPECT_EQ(normal->rgba64(), QRgba64::fromRgba64(0xffff, 0x8080, 0, 0xffff));
    EXPECT_EQ(normal->name(), "#ff8000");
    // Values above 16 bits are taken as full.
    EXPECT_EQ(trayIconColor(words({0x1ffff, 0, 0}))->name(), "#ff0000");

    EXPECT_FALSE(trayIconColor(Property{}));
    EXPECT_FALSE(trayIconColor(words({0xffff, 0xffff})));
    Property text = words({1, 2, 3});
    text.type = XCB_ATOM_STRING;
    EXPECT_FALSE(trayIconColor(text));
}

} // namespace
} // namespace platform::x11
