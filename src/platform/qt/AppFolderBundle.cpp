#include "AppFolderBundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QXmlStreamReader>

namespace platform::qt {

namespace {

// The string and integer values of the top-level dictionary of a property list.
QHash<QString, QString> readPropertyList(const QString& path) {
    QHash<QString, QString> values;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return values;
    QXmlStreamReader xml(&file);
    int depth = 0; // of <dict> elements
    QString key;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto name = xml.name();
            if (name == u"dict") {
                ++depth;
            } else if (depth == 1 && name == u"key") {
                key = xml.readElementText();
            } else if (depth == 1 && (name == u"string" || name == u"integer")) {
                const QString text = xml.readElementText();
                if (!key.isEmpty())
                    values.insert(key, text.trimmed());
                key.clear();
            } else if (depth == 1) {
                key.clear();
            }
        } else if (xml.isEndElement() && xml.name() == u"dict") {
            --depth;
        }
    }
    if (xml.hasError())
        return {};
    return values;
}

} // namespace

AppFolderBundle::AppFolderBundle(const QString& executablePath)
    : m_executablePath(
          QFileInfo(executablePath.isEmpty() ? QCoreApplication::applicationFilePath() : executablePath)
              .absoluteFilePath()) {
    const QDir executableFolder = QFileInfo(m_executablePath).absoluteDir();
    QDir folder = executableFolder;
    if (folder.dirName() == "bin" && folder.cdUp() && folder.dirName() == "Contents" && folder.cdUp())
        m_bundlePath = folder.absolutePath();
    else
        m_bundlePath = executableFolder.absolutePath();

    const auto plist = readPropertyList(m_bundlePath + "/Contents/Info.plist");
    m_identifier = plist.value("CFBundleIdentifier");
    m_version = plist.value("CFBundleShortVersionString");
    m_build = plist.value("CFBundleVersion");
}

} // namespace platform::qt
