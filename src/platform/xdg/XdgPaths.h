#pragma once

#include "platform/Paths.h"

#include <QProcessEnvironment>

namespace platform {

// The folders of the XDG base-directory conventions, read once from the environment:
// XDG_CONFIG_HOME (default ~/.config), XDG_DATA_HOME (default ~/.local/share) and
// XDG_STATE_HOME (default ~/.local/state), and TMPDIR (default /tmp). As the conventions say, a
// value that is not an absolute path is ignored.
class XdgPaths final : public Paths {
public:
    explicit XdgPaths(const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

    QString configHome() const override { return m_config; }
    QString applicationSupport() const override { return m_data; }
    QString diagnosticReports() const override { return m_state + "/DiagnosticReports"; }
    QString autostart() const override { return m_config + "/autostart"; }
    QString home() const override { return m_home; }
    QString temporary() const override { return m_temporary; }

private:
    QString m_home;
    QString m_config;
    QString m_data;
    QString m_state;
    QString m_temporary;
};

} // namespace platform
