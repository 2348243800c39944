#include "support/StoreTest.h"

#include "tilewick/app/MenuBarExtra.h"

#include "platform/sim/SimTrayColors.h"

#include <QIcon>

using namespace tilewick;

namespace {

class MenuBarExtraTest : public StoreTest {
protected:
    platform::sim::SimTrayColors& trayColors() { return platform().service<platform::sim::SimTrayColors>(); }
    // The colour of the icon's ink as the tray shows it.
    static QColor ink(const MenuBarExtra& extra) {
        const QImage image = extra.icon().pixmap(QSize(40, 32)).toImage();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor colour = image.pixelColor(x, y);
                if (colour.alpha() == 255)
                    return colour;
            }
        ADD_FAILURE() << "no opaque ink";
        return {};
    }
};

// On a dark panel a black template is all but invisible: the icon takes the colour the tray asks
// for, else the one that stands out on the desktop's light or dark panels, and follows both.
TEST_F(MenuBarExtraTest, TheIconIsTintedForTheTrayAndFollowsItsColoursAndTheScheme) {
    makeStore();
    MenuBarExtra extra(store(), AppServices{}, *shell, ViewServices::of(platform()),
                       platform().shared<platform::TrayColors>());
    EXPECT_EQ(ink(extra), QColor(Qt::black));

    appearance().setSystemScheme(Scheme::Dark);
    EXPECT_EQ(ink(extra), QColor(Qt::white));

    // The tray's own colour wins over the scheme, in both schemes.
    trayColors().setIconColor(QColor(0xee, 0xcc, 0x33));
    EXPECT_EQ(ink(extra), QColor(0xee, 0xcc, 0x33));
    appearance().setSystemScheme(Scheme::Light);
    EXPECT_EQ(ink(extra), QColor(0xee, 0xcc, 0x33));

    // A tray that stops saying (or goes) hands the icon back to the scheme.
    trayColors().setIconColor(std::nullopt);
    EXPECT_EQ(ink(extra), QColor(Qt::black));
}

TEST_F(MenuBarExtraTest, WithoutTrayColoursTheSchemeDecides) {
    makeStore();
    appearance().setSystemScheme(Scheme::Dark);
    MenuBarExtra extra(store(), AppServices{}, *shell, ViewServices::of(platform()), nullptr);
    EXPECT_EQ(ink(extra), QColor(Qt::white));
    EXPECT_EQ(trayIconColor(std::nullopt, Scheme::Light), QColor(Qt::black));
}

} // namespace
