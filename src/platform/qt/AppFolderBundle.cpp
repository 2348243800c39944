#include "AppFolderBundle.h"

#include "platform/PropertyList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform::qt {

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
    m_identifier = plist.value("CFBundleIdentifier").text.trimmed();
    m_version = plist.value("CFBundleShortVersionString").text.trimmed();
    m_build = plist.value("CFBundleVersion").text.trimmed();
}

} // namespace platform::qt
