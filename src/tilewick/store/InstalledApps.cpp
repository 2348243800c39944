#include "InstalledApps.h"

#include "platform/InstalledApplications.h"
#include "platform/Workspace.h"

#include <QCollator>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <numeric>
#include <vector>

namespace tilewick {

namespace {

// Applications that open a window per task whatever they declare: terminals and file managers.
const QStringList kAlwaysMultiWindowCategories{QStringLiteral("TerminalEmulator"),
                                               QStringLiteral("FileManager")};

QCollator nameCollator(const QLocale& locale) {
    // The C locale compares code units, which would put "App 10" before "App 2" and accented
    // names after "Z"; people who chose no language still expect names sorted as words.
    QCollator collator{locale.language() == QLocale::C ? QLocale(QLocale::English) : locale};
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

template <typename Named> QList<qsizetype> orderNamed(const QList<Named>& list, const QLocale& locale) {
    // One sort key per name and then cheap comparisons: thousands of names sort at once, where
    // comparing names pair by pair through the collator takes seconds.
    const QCollator collator = nameCollator(locale);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(list.size()));
    for (const Named& named : list)
        keys.push_back(collator.sortKey(named.name));
    QList<qsizetype> order(list.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&keys](qsizetype a, qsizetype b) {
        return keys[size_t(a)].compare(keys[size_t(b)]) < 0;
    });
    return order;
}

template <typename Named> void sortNamed(QList<Named>& list, const QLocale& locale) {
    QList<Named> sorted;
    sorted.reserve(list.size());
    for (qsizetype index : orderNamed(list, locale))
        sorted.append(list[index]);
    list.swap(sorted);
}

} // namespace

InstalledApp installedAppRecord(const platform::InstalledApplication& app) {
    return InstalledApp{app.id, app.name, app.path.isEmpty() ? QUrl() : QUrl::fromLocalFile(app.path),
                        app.iconName};
}

void sortByName(QList<InstalledApp>& apps, const QLocale& locale) {
    sortNamed(apps, locale);
}

void sortByName(QList<AppSnap>& snaps, const QLocale& locale) {
    sortNamed(snaps, locale);
}

QList<qsizetype> orderByName(const QList<AppSnap>& snaps, const QLocale& locale) {
    return orderNamed(snaps, locale);
}

QList<InstalledApp> findInstalledApps(platform::InstalledApplications* installed,
                                      const platform::Workspace& workspace, const QString& ownID) {
    QList<InstalledApp> apps;
    QSet<QString> taken;
    const auto add = [&](const InstalledApp& app) {
        if (app.id.isEmpty() || app.id == ownID || taken.contains(app.id))
            return;
        taken.insert(app.id);
        apps.append(app);
    };
    if (installed)
        for (const auto& app : installed->applications())
            if (app.listed)
                add(installedAppRecord(app));
    // Running applications started from elsewhere are offered too, under their own description
    // when they have one.
    for (const auto& running : workspace.runningApplications()) {
        if (running.activationPolicy != platform::ActivationPolicy::Regular || !running.bundleIdentifier ||
            taken.contains(*running.bundleIdentifier))
            continue;
        const auto described = installed && !running.bundlePath.isEmpty()
                                   ? installed->applicationAt(running.bundlePath)
                                   : std::nullopt;
        if (described && described->id == *running.bundleIdentifier) {
            add(installedAppRecord(*described));
            continue;
        }
        add(InstalledApp{*running.bundleIdentifier, running.localizedName, QUrl(), QString()});
    }
    sortByName(apps);
    return apps;
}

bool supportsMultipleWindows(platform::InstalledApplications* installed, const InstalledApp& app) {
    if (!installed || !app.url.isLocalFile())
        return false;
    const auto described = installed->applicationAt(app.url.toLocalFile());
    if (!described)
        return false;
    for (const auto& category : kAlwaysMultiWindowCategories)
        if (described->categories.contains(category))
            return true;
    if (described->hasNewWindowAction)
        return true;
    for (const auto& type : described->documentTypes) {
        const QString lower = type.toLower();
        if (lower == QLatin1String("x-scheme-handler/http") ||
            lower == QLatin1String("x-scheme-handler/https"))
            return true;
        // A document type, as opposed to a URL scheme of another kind.
        if (!lower.startsWith(QLatin1String("x-scheme-handler/")))
            return true;
    }
    return false;
}

} // namespace tilewick
