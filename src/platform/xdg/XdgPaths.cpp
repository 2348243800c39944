#include "XdgPaths.h"

#include <QDir>

namespace platform {

namespace {
QString absoluteOr(const QProcessEnvironment& environment, const char* name, const QString& fallback) {
    const QString value = environment.value(name);
    if (value.isEmpty() || !QDir::isAbsolutePath(value))
        return fallback;
    return QDir::cleanPath(value);
}
} // namespace

XdgPaths::XdgPaths(const QProcessEnvironment& environment)
    : m_home(absoluteOr(environment, "HOME", QDir::homePath())),
      m_config(absoluteOr(environment, "XDG_CONFIG_HOME", m_home + "/.config")),
      m_data(absoluteOr(environment, "XDG_DATA_HOME", m_home + "/.local/share")),
      m_state(absoluteOr(environment, "XDG_STATE_HOME", m_home + "/.local/state")),
      m_temporary(absoluteOr(environment, "TMPDIR", QStringLiteral("/tmp"))) {}

} // namespace platform
