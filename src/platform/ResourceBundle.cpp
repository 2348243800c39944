#include "ResourceBundle.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

namespace platform {

QStringList resourceBundlePlaces(const Bundle& bundle) {
    const QString executableFolder = QFileInfo(bundle.executablePath()).absolutePath();
    return {
        bundle.resourcesPath(),
        QDir::cleanPath(executableFolder + "/../Resources"),
        QFileInfo(QDir::cleanPath(bundle.bundlePath())).absolutePath(),
    };
}

QString findResourceBundle(const QString& name, const QStringList& places) {
    for (const QString& place : places) {
        if (place.isEmpty())
            continue;
        const QString candidate = QDir(place).filePath(name + ".bundle");
        if (QFileInfo(candidate).isDir())
            return candidate;
    }
    return {};
}

QString requireResourceBundle(const QString& name, const QStringList& places) {
    QString found = findResourceBundle(name, places);
    if (found.isEmpty()) {
        std::fprintf(stderr, "unable to find bundle named %s\n", qPrintable(name));
        std::fflush(stderr);
        std::abort();
    }
    return found;
}

QString requireResourceBundle(const QString& name, const Bundle& bundle) {
    return requireResourceBundle(name, resourceBundlePlaces(bundle));
}

} // namespace platform
