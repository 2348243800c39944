#pragma once

#include "BetaLog.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace platform {
class Defaults;
class Platform;
} // namespace platform

namespace betakit {

// Further diagnostic values a report carries, read when the report is built.
using ExtraSettings = std::function<std::vector<BetaPair>()>;

// How the host program configures the beta kit; copied when the kit starts.
struct BetaConfiguration {
    // Every other field takes its default; `defaults` and `processName` come from `platform`, the
    // one the kit runs on and reads its services from.
    BetaConfiguration(std::shared_ptr<platform::Platform> platform, QString appID, QString appName,
                      QString appKey, QStringList settings, ExtraSettings extraSettings);

    // Names the kit's support folder and the default update feed.
    QString appID;
    // The application's name in the kit's texts.
    QString appName;
    // Sent with every report upload.
    QString appKey;
    // The defaults keys whose values reports include.
    QStringList settings;
    ExtraSettings extraSettings;
    bool askAfterCrash = true;
    QUrl endpoint{QStringLiteral("https://veldorpellrath.example/beta/report")};
    QString feedbackAddress = QStringLiteral("beta@veldorpellrath.example");
    bool checksForUpdates = false;
    std::optional<QUrl> updateFeed;
    std::optional<QString> appVersion;
    std::optional<QString> appBuild;

    // The platform the kit runs on; work that outlives a call keeps it.
    const std::shared_ptr<platform::Platform>& platform() const { return m_platform; }
    // Where the `settings` keys are read.
    platform::Defaults& defaults() const { return *m_defaults; }
    // The name the program's crash reports begin with.
    const QString& processName() const { return m_processName; }

private:
    std::shared_ptr<platform::Platform> m_platform;
    std::shared_ptr<platform::Defaults> m_defaults;
    QString m_processName;
};

} // namespace betakit
