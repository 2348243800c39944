#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace betakit {

// The run marker, "running" in the kit's folder: written at every start, removed at every orderly
// quit. A marker left behind means the last run ended otherwise; it counts as a crash when a crash
// report of this program is dated at or after the marker.
class CrashDetection {
public:
    CrashDetection() = delete;

    static constexpr const char* kMarkerName = "running";
    // The work of one look at a folder is bounded: at most this many entries are listed and this
    // many of the program's reports dated. Only the program itself writes its reports there, one
    // per crash; a folder beyond these has been filled by something else.
    static constexpr int kMaxListedPerFolder = 10'000;
    static constexpr int kMaxDatedPerFolder = 1'000;

    // Whether the previous run crashed, by the marker in `folder` and the crash reports in the
    // diagnostic-reports folder `reports`. Rewrites the marker and registers the quit hook.
    static bool checkCrashedLastTime(const QString& folder, const QString& reports,
                                     const QString& processName);
    // The program's crash reports ("<processName>-….ips") in the diagnostic-reports folder `reports`
    // dated at or after `since`, newest first, from the first entries of each folder as the bounds
    // above allow.
    static QStringList crashReports(const QString& reports, const QDateTime& since,
                                    const QString& processName);
    // The diagnostic-reports folder `reports` and its "Retired" folder.
    static QStringList crashReportFolders(const QString& reports);
    // Logs "beta.quit", waits for the log to reach the disk, removes the marker.
    static void crashMarkerQuitHandler(const QString& markerPath);
};

} // namespace betakit
