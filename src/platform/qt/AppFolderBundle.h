#pragma once

#include "platform/Bundle.h"

namespace platform::qt {

// The application folder the running executable lives in.
//
// The executable is <folder>/Contents/bin/Tilewick, so the folder is two levels above the
// executable's own; an executable that does not sit in such a layout (a developer's build run
// from elsewhere) counts its own folder as the application folder. Identifier, version and
// build come from <folder>/Contents/Info.plist (CFBundleIdentifier, CFBundleShortVersionString,
// CFBundleVersion) and are empty when it is missing or unreadable.
class AppFolderBundle final : public Bundle {
public:
    // `executablePath` defaults to the running program.
    explicit AppFolderBundle(const QString& executablePath = QString());

    QString bundlePath() const override { return m_bundlePath; }
    QString resourcesPath() const override { return m_bundlePath + "/Contents/Resources"; }
    QString executablePath() const override { return m_executablePath; }
    QString identifier() const override { return m_identifier; }
    QString version() const override { return m_version; }
    QString build() const override { return m_build; }

private:
    QString m_executablePath;
    QString m_bundlePath;
    QString m_identifier;
    QString m_version;
    QString m_build;
};

} // namespace platform::qt
