#pragma once

#include "platform/Paths.h"

#include <QTemporaryDir>

#include <memory>

namespace platform::sim {

// Private folders for tests, all under one root:
//   <root>/home, <root>/config (with autostart/), <root>/data, <root>/state/DiagnosticReports,
//   <root>/tmp.
// The folders are not created; code that writes creates what it needs, as on a fresh account.
class FixedPaths final : public Paths {
public:
    // Under a new temporary folder, removed with this object.
    FixedPaths();
    // Under `root`, which the caller owns.
    explicit FixedPaths(const QString& root);

    QString root() const { return m_root; }

    QString configHome() const override;
    QString applicationSupport() const override;
    QString diagnosticReports() const override;
    QString autostart() const override;
    QString home() const override;
    QString temporary() const override;

private:
    std::unique_ptr<QTemporaryDir> m_temporary;
    QString m_root;
};

} // namespace platform::sim
