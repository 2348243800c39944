#include "tilewick/engine/NewWindowMenu.h"
#include "support/SimPlatformTest.h"

using platform::AXElement;
using platform::sim::SimApp;
using platform::sim::SimMenuItem;

namespace {

constexpr qint32 kBrowser = 300;

SimMenuItem item(const QString& title, bool enabled = true, const QString& commandCharacter = {}) {
    SimMenuItem i{title, enabled};
    i.commandCharacter = commandCharacter;
    return i;
}

class NewWindowMenuTest : public SimPlatformTest {
protected:
    void SetUp() override {
        SimPlatformTest::SetUp();
        app = desktop().addApp({.pid = kBrowser, .name = QStringLiteral("Browser")});
    }
    platform::Accessibility& ax() { return platform().service<platform::Accessibility>(); }
    // The title of what the search finds in a menu bar of the application's own menu and `menus`.
    QString found(const QList<SimMenuItem>& menus) {
        QList<SimMenuItem> bar{
            SimMenuItem::withMenu(QStringLiteral("Browser"), {item(QStringLiteral("New Window"))})};
        bar += menus;
        desktop().setMenuBar(kBrowser, bar);
        const auto result = tilewick::findNewWindowItem(ax(), ax().application(kBrowser));
        return result ? ax().stringAttribute(*result, QStringLiteral("AXTitle")).value_or("?")
                      : QStringLiteral("-");
    }
    AXElement app;
};

TEST(NewWindowTitle, BeginsWithNewAndNamesAWindowThatIsNotPrivate) {
    const struct {
        const char* title;
        bool matches;
    } cases[] = {
        {"New Window", true},
        {"New WINDOW", true},
        {"New Finder Window", true},
        {"new window", false},
        {"New  Window", true},
        {"NewWindow", false},
        {"New Private Window", false},
        {"New Incognito Window", false},
        {"New Tab", false},
        {"Window", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tilewick::isNewWindowTitle(QString::fromUtf8(c.title)), c.matches) << c.title;
}

TEST_F(NewWindowMenuTest, FindsTheItemThroughoutTheMenusAfterTheFirst) {
    const struct {
        const char* name;
        QList<SimMenuItem> menus;
        QString found;
    } cases[] = {
        {"beside a private one",
         {SimMenuItem::withMenu("File", {item("New Private Window"), item("New Window")})},
         "New Window"},
        {"only private and incognito",
         {SimMenuItem::withMenu("File", {item("New Private Window"), item("New Incognito Window")})},
         "-"},
        {"disabled, with a plain New before it",
         {SimMenuItem::withMenu("File", {item("New", true, "N"), item("New Window", false)})},
         "New"},
        {"a plain New needs its N and must be enabled",
         {SimMenuItem::withMenu("File", {item("New", true, "T"), item("New", false, "N")})},
         "-"},
        {"a match in a later menu wins over an earlier fallback",
         {SimMenuItem::withMenu("File", {item("New", true, "N")}),
          SimMenuItem::withMenu("Window", {item("New Window")})},
         "New Window"},
        {"a submenu titled New",
         {SimMenuItem::withMenu("File", {SimMenuItem::withMenu("New", {item("Tab"), item("Window")})})},
         "Window"},
        {"a submenu titled New Document",
         {SimMenuItem::withMenu(
             "File", {SimMenuItem::withMenu("New Document", {item("Window", false), item("New Window")})})},
         "New Window"},
        {"a submenu by another name",
         {SimMenuItem::withMenu("File", {SimMenuItem::withMenu("Open", {item("Window")})})},
         "-"},
        {"lower case", {SimMenuItem::withMenu("File", {item("new window")})}, "-"},
        {"no menus after the first", {}, "-"},
        {"a menu-bar item without a menu",
         {item("Help"), SimMenuItem::withMenu("File", {item("New Window")})},
         "New Window"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(found(c.menus), c.found) << c.name;
}

TEST_F(NewWindowMenuTest, AnUnansweringApplicationHasNoItemWithinHalfASecondPerCall) {
    desktop().setMenuBar(kBrowser, {SimMenuItem::withMenu("Browser", {}),
                                    SimMenuItem::withMenu("File", {item("New Window")})});
    desktop().updateApp(kBrowser, [](SimApp& a) { a.responsive = false; });
    // Asked from a worker, which waits out the time-out on the virtual clock.
    std::optional<AXElement> result = AXElement(1, 1);
    runtime().serialQueue("test")->async([&] { result = tilewick::findNewWindowItem(ax(), app); });
    runtime().advance(1.0);
    EXPECT_FALSE(result);
    EXPECT_EQ(desktop().stalls(), QList<double>{tilewick::kMenuSearchTimeout});
}

TEST_F(NewWindowMenuTest, APressWaitsForANewStandardWindow) {
    auto& ax = this->ax();
    const AXElement old = desktop().addWindow(kBrowser, {.title = QStringLiteral("Old")});
    struct Case {
        const char* name;
        // What the press does, `after` seconds later; none: nothing.
        std::function<void()> press;
        double after;
        bool found;
    };
    const Case cases[] = {
        {"a window", [&] { desktop().addWindow(kBrowser, {.title = "New"}); }, 2.9, true},
        {"too late", [&] { desktop().addWindow(kBrowser, {.title = "Late"}); }, 3.1, false},
        {"a dialog", [&] { desktop().addWindow(kBrowser, {.title = "Dialog", .subrole = "AXDialog"}); }, 0.1,
         false},
        {"an old window raised", [&] { ax.performAction(old, QStringLiteral("AXRaise")); }, 0.1, false},
    };
    for (const auto& c : cases) {
        SimMenuItem press = item("New Window");
        press.onPress = [&] { runtime().after(c.after, c.press); };
        desktop().setMenuBar(kBrowser, {press});
        const AXElement pressable = tilewick::axChildren(ax, *ax.elementAttribute(app, "AXMenuBar")).first();
        std::optional<AXElement> window;
        runtime().serialQueue("test")->async(
            [&] { window = tilewick::openNewWindow(ax, runtime(), app, pressable); });
        runtime().advance(3.5);
        EXPECT_EQ(window.has_value(), c.found) << c.name;
        if (window) {
            EXPECT_EQ(ax.stringAttribute(*window, "AXTitle"), "New");
        }
    }
    // A press that fails ends at once.
    SimMenuItem disabled = item("New Window", false);
    desktop().setMenuBar(kBrowser, {disabled});
    const AXElement off = tilewick::axChildren(ax, *ax.elementAttribute(app, "AXMenuBar")).first();
    bool done = false;
    runtime().serialQueue("test")->async([&] { done = !tilewick::openNewWindow(ax, runtime(), app, off); });
    runtime().runUntilIdle();
    EXPECT_TRUE(done);
}

} // namespace
