#include "BetaConfiguration.h"

#include "platform/Platform.h"

#include <QFileInfo>

namespace betakit {

BetaConfiguration::BetaConfiguration(QString appID, QString appName, QString appKey, QStringList settings,
                                     ExtraSettings extraSettings)
    : appID(std::move(appID)), appName(std::move(appName)), appKey(std::move(appKey)),
      settings(std::move(settings)), extraSettings(std::move(extraSettings)),
      m_defaults(platform::Platform::current().shared<platform::Defaults>()),
      m_processName(QFileInfo(platform::Platform::current().bundle().executablePath()).fileName()) {}

} // namespace betakit
