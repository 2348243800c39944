#include "CrashDetection.h"

#include "BetaLog.h"
#include "LogStore.h"
#include "WillTerminate.h"

#include "platform/FileAccess.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <string_view>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace betakit {

bool CrashDetection::checkCrashedLastTime(const QString& folder, const QString& reports,
                                          const QString& processName) {
    const QString marker = folder + u'/' + QLatin1String(kMarkerName);
    bool crashed = false;
    const QFileInfo info(marker);
    if (info.exists()) {
        const QDateTime since = info.lastModified().toUTC();
        crashed = since.isValid() && !crashReports(reports, since, processName).isEmpty();
    }
    // Not atomic, and an existing marker is emptied and dated now. Only a regular file is written:
    // a FIFO or device at the path is left alone instead of blocking the start.
    const int fd = platform::openRegularFileForWriting(marker);
    if (fd >= 0) {
        (void)::ftruncate(fd, 0);
        ::futimens(fd, nullptr);
        ::close(fd);
    }
    WillTerminate::observe([marker] { crashMarkerQuitHandler(marker); });
    return crashed;
}

QStringList CrashDetection::crashReportFolders(const QString& reports) {
    return {reports, reports + QStringLiteral("/Retired")};
}

QStringList CrashDetection::crashReports(const QString& reports, const QDateTime& since,
                                         const QString& processName) {
    struct Found {
        QString path;
        QDateTime date;
    };
    std::vector<Found> found;
    const QByteArray prefix = QFile::encodeName(processName + u'-');
    for (const QString& folder : crashReportFolders(reports)) {
        DIR* dir = ::opendir(QFile::encodeName(folder).constData());
        if (!dir)
            continue;
        int listed = 0;
        int dated = 0;
        // Bounded, so a folder full of look-alikes cannot hold up the start.
        while (listed < kMaxListedPerFolder && dated < kMaxDatedPerFolder) {
            const dirent* entry = ::readdir(dir);
            if (!entry)
                break;
            ++listed;
            const std::string_view name(entry->d_name);
            const auto dot = name.rfind('.');
            if (!name.starts_with(std::string_view(prefix.constData(), prefix.size())) ||
                dot == std::string_view::npos || name.substr(dot + 1) != "ips")
                continue;
            ++dated;
            // A date that can't be read is the distant past: such a report never counts.
            struct stat info {};
            if (::fstatat(::dirfd(dir), entry->d_name, &info, 0) != 0)
                continue;
            const QDateTime date = QDateTime::fromMSecsSinceEpoch(
                qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1'000'000, Qt::UTC);
            if (date >= since)
                found.push_back({folder + u'/' + QFile::decodeName(entry->d_name), date});
        }
        ::closedir(dir);
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
