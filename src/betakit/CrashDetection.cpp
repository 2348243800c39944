#include "CrashDetection.h"

#include "BetaLog.h"
#include "LogStore.h"
#include "VeldorBeta.h"

#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace betakit {

bool CrashDetection::checkCrashedLastTime(const QString& folder, const QString& processName) {
    const QString marker = folder + u'/' + QLatin1String(kMarkerName);
    bool crashed = false;
    const QFileInfo info(marker);
    if (info.exists()) {
        const QDateTime since = info.lastModified().toUTC();
        crashed = since.isValid() && !crashReports(since, processName).isEmpty();
    }
    // Not atomic, and an existing marker is replaced: its date becomes this start's.
    QFile file(marker);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.close();
    WillTerminate::observe([marker] { crashMarkerQuitHandler(marker); });
    return crashed;
}

QStringList CrashDetection::crashReportFolders() {
    const QString reports = platform::Platform::current().paths().diagnosticReports();
    return {reports, reports + QStringLiteral("/Retired")};
}

QStringList CrashDetection::crashReports(const QDateTime& since, const QString& processName) {
    struct Found {
        QString path;
        QDateTime date;
    };
    std::vector<Found> found;
    const QString prefix = processName + u'-';
    for (const QString& folder : crashReportFolders()) {
        const QFileInfoList items = QDir(folder).entryInfoList(
            QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Unsorted);
        for (const QFileInfo& item : items) {
            const QString name = item.fileName();
            if (!name.startsWith(prefix) || item.suffix() != QLatin1String("ips"))
                continue;
            // A date that can't be read is the distant past: such a report never counts.
            const QDateTime date = item.lastModified().toUTC();
            if (date.isValid() && date >= since)
                found.push_back({item.filePath(), date});
        }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const Found& a, const Found& b) { return a.date > b.date; });
    QStringList paths;
    for (const Found& report : found)
        paths.append(report.path);
    return paths;
}

void CrashDetection::crashMarkerQuitHandler(const QString& markerPath) {
    BetaLog::event("beta.quit");
    LogStore::shared().flush();
    QFile::remove(markerPath);
}

} // namespace betakit
