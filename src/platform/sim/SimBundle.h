#pragma once

#include "platform/Bundle.h"

namespace platform::sim {

// An application folder whose place and Info.plist values the test sets.
class SimBundle final : public Bundle {
public:
    explicit SimBundle(QString bundlePath = QString());

    void setBundlePath(const QString& path) { m_bundlePath = path; }
    void setIdentifier(const QString& identifier) { m_identifier = identifier; }
    void setVersion(const QString& version) { m_version = version; }
    void setBuild(const QString& build) { m_build = build; }

    QString bundlePath() const override { return m_bundlePath; }
    QString resourcesPath() const override { return m_bundlePath + "/Contents/Resources"; }
    QString executablePath() const override { return m_bundlePath + "/Contents/bin/Tilewick"; }
    QString identifier() const override { return m_identifier; }
    QString version() const override { return m_version; }
    QString build() const override { return m_build; }

private:
    QString m_bundlePath;
    QString m_identifier = "com.corvane.tilewick";
    QString m_version = "1.0.0";
    QString m_build = "1";
};

} // namespace platform::sim
