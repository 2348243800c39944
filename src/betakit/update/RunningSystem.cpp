#include "RunningSystem.h"

#include "platform/Platform.h"
#include "platform/SystemFacts.h"

#include <array>

namespace betakit {

RunningSystem::RunningSystem(std::shared_ptr<const platform::SystemFacts> facts)
    : m_facts(std::move(facts)) {}

bool RunningSystem::isAtLeast(qint64 major, qint64 minor, qint64 patch) const {
    std::array<qint64, 3> own{0, 0, 0};
    std::size_t count = 0;
    for (const QStringView piece : QStringView(m_facts->systemVersion()).split(u'.', Qt::SkipEmptyParts)) {
        const auto number = buildNumber(piece);
        if (!number)
            break;
        own[count++] = *number;
        if (count == own.size())
            break;
    }
    if (count == 0)
        return true;
    return own >= std::array<qint64, 3>{major, minor, patch};
}

QString runningSystemName(const platform::Platform& platform) {
    const auto* facts = platform.find<platform::SystemFacts>();
    const QString name = facts ? facts->systemName().trimmed() : QString();
    return name.isEmpty() ? QStringLiteral("Linux") : name;
}

} // namespace betakit
