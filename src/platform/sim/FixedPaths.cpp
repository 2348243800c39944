#include "FixedPaths.h"

#include <cstdio>
#include <cstdlib>

namespace platform::sim {

FixedPaths::FixedPaths() : m_temporary(std::make_unique<QTemporaryDir>()) {
    if (!m_temporary->isValid()) {
        std::fprintf(stderr, "FixedPaths: cannot create a temporary folder: %s\n",
                     qPrintable(m_temporary->errorString()));
        std::abort();
    }
    m_root = m_temporary->path();
}

FixedPaths::FixedPaths(const QString& root) : m_root(root) {}

QString FixedPaths::configHome() const {
    return m_root + "/config";
}
QString FixedPaths::applicationSupport() const {
    return m_root + "/data";
}
QString FixedPaths::diagnosticReports() const {
    return m_root + "/state/DiagnosticReports";
}
QString FixedPaths::autostart() const {
    return configHome() + "/autostart";
}
QString FixedPaths::home() const {
    return m_root + "/home";
}
QString FixedPaths::temporary() const {
    return m_root + "/tmp";
}

} // namespace platform::sim
