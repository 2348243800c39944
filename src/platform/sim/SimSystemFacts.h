#pragma once

#include "SettableValues.h"

#include "platform/SystemFacts.h"

namespace platform::sim {

struct SimSystemFactsValues {
    QString versionText = QStringLiteral("Sim Linux 1.0");
    std::array<int, 3> versionNumbers{6, 1, 0};
    QString machine = QStringLiteral("x86_64");
    bool processTranslated = false;
    std::optional<QByteArray> hardwareModel = QByteArray("SimPC1,1");
    QString systemName = QStringLiteral("Sim Linux");
    QString systemVersion = QStringLiteral("1.0");
};

// System facts the test sets (setValues); a fixed 64-bit PC until then. Safe from any thread.
class SimSystemFacts final : public SystemFacts, public SettableValues<SimSystemFactsValues> {
public:
    using Values = SimSystemFactsValues;
    using SettableValues::SettableValues;

    QString versionText() const override { return values().versionText; }
    QString systemName() const override { return values().systemName; }
    QString systemVersion() const override { return values().systemVersion; }
    std::array<int, 3> versionNumbers() const override { return values().versionNumbers; }
    QString machine() const override { return values().machine; }
    bool processTranslated() const override { return values().processTranslated; }
    std::optional<QByteArray> hardwareModel() const override { return values().hardwareModel; }
};

} // namespace platform::sim
