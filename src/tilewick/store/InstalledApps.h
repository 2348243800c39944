#pragma once

#include "tilewick/model/AppSnap.h"
#include "tilewick/model/InstalledApp.h"

#include <QList>
#include <QLocale>
#include <QString>

namespace platform {
struct InstalledApplication;
class InstalledApplications;
class Workspace;
} // namespace platform

namespace tilewick {

// The applications the Default App Snaps picker offers: the installed applications the desktop
// lists in its menus, then the running regular applications not among them, each identifier once
// (the first wins) and never this program (`ownID`), sorted by name as people sort (case aside,
// digits by their value, accents after their letter). Blocking file work: call it off the main
// thread. `installed` may be null (no applications are known).
QList<InstalledApp> findInstalledApps(platform::InstalledApplications* installed,
                                      const platform::Workspace& workspace, const QString& ownID);

// Sorts by name as findInstalledApps does, by the rules of `locale` (English ones for the C locale).
void sortByName(QList<InstalledApp>& apps, const QLocale& locale = QLocale());
// Saved snaps in the same order, by the names they were saved under.
void sortByName(QList<AppSnap>& snaps, const QLocale& locale = QLocale());
// The positions of `snaps` in that order, the list left as it is.
QList<qsizetype> orderByName(const QList<AppSnap>& snaps, const QLocale& locale = QLocale());

// The picker's record of an application the desktop describes.
InstalledApp installedAppRecord(const platform::InstalledApplication& app);

// Whether the application can be expected to open several windows, from what it declares: it is
// a terminal or a file manager, it opens web addresses (http or https), it declares document
// types it opens, or it has a new-window action. False when it declares nothing readable.
bool supportsMultipleWindows(platform::InstalledApplications* installed, const InstalledApp& app);

} // namespace tilewick
