#include "platform/x11/X11ApplicationGroups.h"

#include <gtest/gtest.h>

using platform::DesktopEntry;
using platform::x11::Client;
using platform::x11::X11ApplicationGroups;

namespace {

constexpr qint32 kOwn = 50;

Client client(xcb_window_t window, qint32 pid, const QString& className) {
    Client c;
    c.window = window;
    c.pid = pid;
    c.instance = className.toLower();
    c.className = className;
    return c;
}

// Entries claim the classes "XTerm" and "Tilewick"; processes started in the order of their ids,
// except 7, which started first.
struct Desktop {
    int lookups = 0;
    QHash<qint32, qint64> starts{{7, 1}, {10, 10}, {11, 11}, {12, 12}, {20, 20}, {kOwn, 50}};
    X11ApplicationGroups groups{kOwn,
                                [this](const Client& c) -> std::optional<DesktopEntry> {
                                    ++lookups;
                                    if (c.className == "XTerm" || c.className == "Tilewick")
                                        return DesktopEntry{c.className.toLower(), {}, c.className, {}};
                                    return std::nullopt;
                                },
                                [this](qint32 pid) -> std::optional<qint64> {
                                    return starts.contains(pid) ? std::optional(starts[pid]) : std::nullopt;
                                }};

    // Each application as "pid: windows".
    QStringList group(const QList<Client>& clients) {
        QStringList out;
        for (const auto& app : groups.group(clients)) {
            QStringList windows;
            for (const auto& c : app.clients)
                windows << QString::number(c.window);
            out << QStringLiteral("%1: %2").arg(app.pid).arg(windows.join(' '));
        }
        return out;
    }
};

} // namespace

TEST(X11ApplicationGroups, WindowsOfOneDesktopEntryAreOneApplication) {
    Desktop d;
    // Three terminals of three processes, an editor without an entry in two processes, this
    // program (whose class an entry claims too), and a window that names no process.
    EXPECT_EQ(d.group({client(1, 11, "XTerm"), client(2, 20, "Editor"), client(3, 10, "XTerm"),
                       client(4, 12, "XTerm"), client(5, 21, "Editor"), client(6, kOwn, "Tilewick"),
                       client(8, 0, "Remote")}),
              (QStringList{"10: 1 3 4", "20: 2", "21: 5", "50: 6"}))
        << "the oldest terminal process names them all";
    EXPECT_EQ(d.lookups, 5) << "none for this program or a window without a process";
    // Asked again, nothing is looked up again.
    d.group({client(1, 11, "XTerm"), client(3, 10, "XTerm")});
    EXPECT_EQ(d.lookups, 5);
    EXPECT_EQ(d.groups.knownApplicationOf(client(1, 11, "XTerm")), 10);
    EXPECT_EQ(d.groups.knownApplicationOf(client(9, 20, "Editor")), std::nullopt) << "gone since";
    EXPECT_EQ(d.groups.knownApplicationOf(client(8, 0, "Remote")), std::nullopt);
}

TEST(X11ApplicationGroups, TheApplicationsPidStaysWhileItHasWindows) {
    Desktop d;
    d.group({client(1, 10, "XTerm")});
    // An older process joins later, and the first one's window closes: the pid stays.
    EXPECT_EQ(d.group({client(1, 10, "XTerm"), client(2, 7, "XTerm")}), QStringList{"10: 1 2"});
    EXPECT_EQ(d.group({client(2, 7, "XTerm"), client(3, 11, "XTerm")}), QStringList{"10: 2 3"});
    // Another application's process now has that id: the terminals take their oldest.
    EXPECT_EQ(d.group({client(2, 7, "XTerm"), client(3, 11, "XTerm"), client(4, 10, "Editor")}),
              (QStringList{"7: 2 3", "10: 4"}));
    // All windows gone: a new terminal starts afresh.
    d.group({});
    EXPECT_EQ(d.group({client(5, 12, "XTerm"), client(6, 11, "XTerm")}), QStringList{"11: 5 6"});
}

TEST(X11ApplicationGroups, AWindowWhoseClassChangesIsLookedUpAgain) {
    Desktop d;
    Client c = client(1, 11, "Starting");
    EXPECT_EQ(d.group({c}), QStringList{"11: 1"});
    c.className = "XTerm";
    EXPECT_EQ(d.group({c, client(2, 10, "XTerm")}), QStringList{"10: 1 2"});
    EXPECT_EQ(d.lookups, 3);
}
