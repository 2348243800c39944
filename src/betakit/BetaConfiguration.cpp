#include "BetaConfiguration.h"

#include "platform/Platform.h"

#include <QFileInfo>

namespace betakit {

BetaConfiguration::BetaConfiguration(std::shared_ptr<platform::Platform> platform, QString appID,
                                     QString appName, QString appKey, QStringList settings,
                                     ExtraSettings extraSettings)
    : appID(std::move(appID)), appName(std::move(appName)), appKey(std::move(appKey)),
      settings(std::move(settings)), extraSettings(std::move(extraSettings)), m_platform(std::move(platform)),
      m_defaults(m_platform->shared<platform::Defaults>()),
      m_processName(QFileInfo(m_platform->bundle().executablePath()).fileName()) {}

} // namespace betakit
