// Run by multi_window.sh on a private X server (two monitors "L" and "R" of 1280×1080, a window
// manager, one xterm "Term One" of the private desktop entry e2e-term, whose new-window action
// opens an xterm titled "Fill Term").
//
// DesktopTest: the X11 services of this process group the terminals of that entry into one
// application and offer its new-window action in a menu bar. ProgramTest: the real program,
// started by the script, fills the quarters on the Menu key (Globe) with Alt+Super+Q.

#include "E2eKeys.h"
#include "E2eTools.h"

#include "platform/desktop/DesktopPlatform.h"
#include "tilewick/engine/NewWindowMenu.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>

using namespace e2e;
using platform::AXElement;

namespace {

class MultiWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run by multi_window.sh";
        m_platform = platform::makeDesktopPlatform("com.corvane.tilewick.e2e", "Tilewick");
        platform::Platform::install(m_platform);
        ASSERT_TRUE(bringToFront(*m_platform, m_term));
    }
    void TearDown() override { platform::Platform::uninstall(); }

    platform::Accessibility& ax() { return m_platform->service<platform::Accessibility>(); }
    // The terminals' windows, front to back.
    platform::AXElementList terminals() {
        return ax()
            .elementsAttribute(ax().application(m_term), "AXWindows")
            .value_or(platform::AXElementList{});
    }
    // The process a window says it belongs to.
    static qint32 processOf(const AXElement& window) {
        const auto m = QRegularExpression("= (\\d+)")
                           .match(run("xprop", {"-id", hex(quint32(window.id())), "_NET_WM_PID"}));
        return m.hasMatch() ? m.captured(1).toInt() : 0;
    }

    const qint32 m_term = envPid("E2E_TERM_PID");
    std::shared_ptr<platform::Platform> m_platform;
};

using DesktopTest = MultiWindowTest;

TEST_F(DesktopTest, TerminalsOfOneEntryAreOneApplicationThatOpensWindowsFromItsMenuBar) {
    auto& ax = this->ax();
    auto& workspace = m_platform->service<platform::Workspace>();
    QProcess second;
    second.start("xterm", {"-T", "Term Two", "-geometry", "40x10+600+100"});
    ASSERT_TRUE(second.waitForStarted());
    const qint32 secondPid = qint32(second.processId());
    ASSERT_TRUE(waitFor([&] { return terminals().size() == 2; })) << "the second terminal joins the first";

    // One application, named by the entry, under the older process; either process finds it.
    QList<platform::RunningApplication> named;
    for (const auto& app : workspace.runningApplications())
        if (app.bundleIdentifier == "e2e-term")
            named.append(app);
    ASSERT_EQ(named.size(), 1);
    EXPECT_EQ(named[0].pid, m_term);
    EXPECT_EQ(named[0].localizedName, "E2E Terminal");
    EXPECT_FALSE(workspace.runningApplication(secondPid));
    EXPECT_EQ(ax.elementsAttribute(ax.application(secondPid), "AXWindows")->size(), 2);
    for (const auto& window : terminals())
        EXPECT_EQ(window.pid(), m_term);

    // With the second terminal in front, the focused application is still the terminals'.
    const auto two = terminals();
    const auto secondWindow = std::find_if(two.begin(), two.end(), [&](const AXElement& w) {
        return ax.stringAttribute(w, "AXTitle") == "Term Two";
    });
    ASSERT_NE(secondWindow, two.end());
    ax.performAction(*secondWindow, "AXRaise");
    ASSERT_TRUE(waitFor([&] {
        const auto focused = ax.elementAttribute(ax.systemWide(), "AXFocusedApplication");
        const auto window = focused ? ax.elementAttribute(*focused, "AXFocusedWindow") : std::nullopt;
        return focused && focused->pid() == m_term && window && *window == *secondWindow;
    }));
    EXPECT_EQ(workspace.frontmostApplication()->pid, m_term);

    // Its menu bar offers "New Window", whose press starts the entry's action: a third terminal.
    const AXElement app = ax.application(m_term);
    std::optional<AXElement> item;
    std::optional<AXElement> opened;
    // Pressing waits on a worker, as multi-window fills do, while this thread reads the server.
    std::atomic<bool> done = false;
    m_platform->runtime().serialQueue("e2e")->async([&] {
        item = tilewick::findNewWindowItem(ax, app);
        if (item)
            opened = tilewick::openNewWindow(ax, m_platform->runtime(), app, *item);
        done = true;
    });
    ASSERT_TRUE(waitFor([&] { return done.load(); }, 10.0));
    ASSERT_TRUE(item);
    EXPECT_EQ(ax.stringAttribute(*item, "AXMenuItemCmdChar"), "N");
    ASSERT_TRUE(opened) << "no terminal came within 3 s of the press";
    EXPECT_EQ(ax.stringAttribute(*opened, "AXTitle"), "Fill Term");
    EXPECT_EQ(opened->pid(), m_term);
    const qint32 third = processOf(*opened);
    EXPECT_NE(third, m_term);
    EXPECT_NE(third, secondPid);

    // An application of no entry has a menu bar without the item.
    EXPECT_FALSE(tilewick::findNewWindowItem(ax, ax.application(qint32(getpid()))));

    second.kill();
    second.waitForFinished(5000);
    if (third > 0)
        ::kill(third, SIGTERM);
    EXPECT_TRUE(waitFor([&] { return terminals().size() == 1; }));
}

class ProgramTest : public MultiWindowTest {
protected:
    // Whether a terminal sits in each quarter of the left monitor, "Term One" in the first.
    bool quartersFilled(QString* report) {
        const QRect area = visibleArea(*m_platform, 0);
        const int w = area.width() / 2, h = area.height() / 2;
        const QRect quarters[] = {{area.x(), area.y(), w, h},
                                  {area.x() + w, area.y(), area.width() - w, h},
                                  {area.x(), area.y() + h, w, area.height() - h},
                                  {area.x() + w, area.y() + h, area.width() - w, area.height() - h}};
        const auto windows = terminals();
        QStringList seen;
        int filled = 0;
        for (int i = 0; i < 4; ++i) {
            for (const auto& window : windows) {
                const QRect frame = outerFrameOf(quint32(window.id()));
                const bool first = ax().stringAttribute(window, "AXTitle") == "Term One";
                if (isSnapped(frame, quarters[i], area) && (i == 0) == first) {
                    ++filled;
                    break;
                }
            }
        }
        for (const auto& window : windows)
            seen << testing::PrintToString(outerFrameOf(quint32(window.id()))).c_str();
        *report = seen.join(' ');
        return filled == 4 && windows.size() == 4;
    }

    // The program's activity log so far.
    static QString activityLog() {
        const QDir folder(qEnvironmentVariable("XDG_DATA_HOME") + "/Veldor Pellrath Beta/tile-wick");
        QString text;
        for (const auto& name : folder.entryList({"activity-*.log"}, QDir::Files, QDir::Name)) {
            QFile file(folder.filePath(name));
            if (file.open(QIODevice::ReadOnly))
                text += QString::fromUtf8(file.readAll());
        }
        return text;
    }

    Keys m_keys;
};

TEST_F(ProgramTest, TheMenuKeyAndAQuartersHotkeyFillTheQuartersOpeningThreeTerminals) {
    // The program takes its hotkeys a moment after it starts: until then the keys go elsewhere.
    bool started = false;
    for (int attempt = 0; attempt < 30 && !started; ++attempt) {
        m_keys.press({"COMP", "LALT", "LWIN", "AD01"});
        started = waitFor([&] { return terminals().size() > 1; }, 1.0);
    }
    ASSERT_TRUE(started) << "Menu+Alt+Super+Q never opened a terminal";
    QString report;
    EXPECT_TRUE(waitFor([&] { return quartersFilled(&report); }, 15.0)) << report.toStdString();
    // The fill checks where the windows went before it logs.
    const QString line = " snap.multi layout=top_left_quarter windows=4 opened=3 ok=true\n";
    EXPECT_TRUE(waitFor([&] { return activityLog().contains(line); })) << activityLog().toStdString();
}

} // namespace
