#include "support/SimPlatformTest.h"

#include "platform/Workspace.h"
#include "platform/sim/SimInstalledApplications.h"
#include "tilewick/store/InstalledApps.h"

namespace {

using namespace tilewick;
using platform::InstalledApplication;

class InstalledAppsTest : public SimPlatformTest {
protected:
    platform::sim::SimInstalledApplications& installed() {
        return platform().service<platform::sim::SimInstalledApplications>();
    }
    QList<InstalledApp> find() {
        return findInstalledApps(&installed(), platform().service<platform::Workspace>(),
                                 QStringLiteral("com.corvane.tilewick"));
    }
    static QStringList names(const QList<InstalledApp>& apps) {
        QStringList result;
        for (const auto& a : apps)
            result << a.name;
        return result;
    }
};

TEST_F(InstalledAppsTest, ListedApplicationsThenRunningOnesEachOnceAndNeverThisProgram) {
    installed().setApplications({
        {.id = "org.atlas", .name = "Atlas", .path = "/a/org.atlas.desktop", .iconName = "atlas"},
        {.id = "org.helper", .name = "Helper", .path = "/a/org.helper.desktop", .listed = false},
        {.id = "com.corvane.tilewick", .name = "Tilewick", .path = "/a/com.corvane.tilewick.desktop"},
    });
    desktop().addApp(
        {.pid = 10, .bundleIdentifier = "org.atlas", .name = "Atlas", .bundlePath = "/opt/atlas"});
    desktop().addApp({.pid = 11,
                      .bundleIdentifier = "org.helper",
                      .name = "Helper",
                      .bundlePath = "/a/org.helper.desktop"});
    desktop().addApp({.pid = 12, .bundleIdentifier = "XClock", .name = "xclock"});
    desktop().addApp({.pid = 13,
                      .bundleIdentifier = "org.daemon",
                      .name = "Daemon",
                      .activationPolicy = platform::ActivationPolicy::Prohibited});
    desktop().addApp({.pid = 14, .name = "Nameless"});
    desktop().addApp({.pid = 15, .bundleIdentifier = "com.corvane.tilewick", .name = "Tilewick"});

    const auto apps = find();
    EXPECT_EQ(apps, (QList<InstalledApp>{
                        {"org.atlas", "Atlas", QUrl::fromLocalFile("/a/org.atlas.desktop"), "atlas"},
                        // Running and described, though not listed in menus.
                        {"org.helper", "Helper", QUrl::fromLocalFile("/a/org.helper.desktop"), ""},
                        // Running with no description at all.
                        {"XClock", "xclock", QUrl(), ""},
                    }));
}

TEST_F(InstalledAppsTest, NamesSortAsPeopleSortThem) {
    QList<InstalledApplication> listed;
    for (const char* name : {"Zebra", "App 10", "éclair", "Orange", "app 2", "Ölfarbe", "Eagle", "App 1"})
        listed.append({.id = QString("id.") + name, .name = QString::fromUtf8(name)});
    installed().setApplications(listed);
    const QStringList sorted{"App 1", "app 2", "App 10", "Eagle", "éclair", "Ölfarbe", "Orange", "Zebra"};
    EXPECT_EQ(names(find()), sorted);
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::German, QLocale::Germany),
                                  QLocale(QLocale::English, QLocale::UnitedKingdom)}) {
        auto apps = find();
        std::reverse(apps.begin(), apps.end());
        sortByName(apps, locale);
        EXPECT_EQ(names(apps), sorted) << locale.name().toStdString();
    }
    // Swedish puts Ö after Z.
    auto apps = find();
    sortByName(apps, QLocale(QLocale::Swedish, QLocale::Sweden));
    EXPECT_EQ(names(apps).last(), QString::fromUtf8("Ölfarbe"));
}

TEST_F(InstalledAppsTest, SavedSnapsSortAsTheApplicationsDo) {
    QList<AppSnap> snaps;
    for (const char* name : {"Zed", "app 10", "\u00C9mile", "App 2", "Eve", "Fax"})
        snaps.append(AppSnap{QStringLiteral("org.x"), QString::fromUtf8(name)});
    sortByName(snaps, QLocale(QLocale::C));
    QStringList order;
    for (const AppSnap& snap : snaps)
        order.append(snap.name);
    EXPECT_EQ(order, (QStringList{"App 2", "app 10", QString::fromUtf8("\u00C9mile"), "Eve", "Fax", "Zed"}));
}

TEST_F(InstalledAppsTest, WhatADescriptionSaysAboutSeveralWindows) {
    const struct {
        const char* name;
        InstalledApplication described;
        bool multi;
    } cases[] = {
        {"terminal", {.categories = {"System", "TerminalEmulator"}}, true},
        {"file manager", {.categories = {"FileManager"}}, true},
        {"web addresses in capitals", {.documentTypes = {"x-scheme-handler/HTTPS"}}, true},
        {"web addresses", {.documentTypes = {"x-scheme-handler/http"}}, true},
        {"documents", {.documentTypes = {"text/plain"}}, true},
        {"a new-window action", {.hasNewWindowAction = true}, true},
        {"mail addresses only", {.documentTypes = {"x-scheme-handler/mailto"}}, false},
        {"nothing declared", {.categories = {"Utility"}}, false},
    };
    for (auto c : cases) {
        c.described.id = "org.app";
        c.described.path = "/a/org.app.desktop";
        installed().setApplications({c.described});
        EXPECT_EQ(supportsMultipleWindows(&installed(),
                                          {"org.app", "App", QUrl::fromLocalFile("/a/org.app.desktop")}),
                  c.multi)
            << c.name;
    }
    // Nothing to read: one window.
    EXPECT_FALSE(
        supportsMultipleWindows(&installed(), {"org.app", "App", QUrl::fromLocalFile("/a/other.desktop")}));
    EXPECT_FALSE(supportsMultipleWindows(&installed(), {"org.app", "App", QUrl()}));
    EXPECT_FALSE(
        supportsMultipleWindows(nullptr, {"org.app", "App", QUrl::fromLocalFile("/a/org.app.desktop")}));
}

} // namespace
