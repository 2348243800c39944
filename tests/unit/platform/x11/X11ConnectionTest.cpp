#include "platform/x11/X11Connection.h"

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

} // namespace
} // namespace platform::x11
