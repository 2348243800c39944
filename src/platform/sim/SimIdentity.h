#pragma once

#include "SettableValues.h"

#include "platform/Identity.h"

namespace platform::sim {

struct SimIdentityValues {
    QString homeFolder;
    QString userName;
    QString fullName;
    std::optional<QString> computerName;
    std::optional<QString> localHostName;
    QStringList hardwareIDs;
};

// Identity values the test sets (setValues); until then only the home folder is known. Safe from
// any thread.
class SimIdentity final : public Identity, public SettableValues<SimIdentityValues> {
public:
    using Values = SimIdentityValues;
    using SettableValues::SettableValues;

    QString homeFolder() const override { return values().homeFolder; }
    QString userName() const override { return values().userName; }
    QString fullName() const override { return values().fullName; }
    std::optional<QString> computerName() const override { return values().computerName; }
    std::optional<QString> localHostName() const override { return values().localHostName; }
    QStringList hardwareIDs() const override { return values().hardwareIDs; }
};

} // namespace platform::sim
