#include "SimWorkspace.h"

namespace platform::sim {

SimWorkspace::SimWorkspace(std::shared_ptr<SimDesktop> desktop) : m_desktop(std::move(desktop)) {
    auto* d = m_desktop.get();
    connect(d, &SimDesktop::applicationLaunched, this, &Workspace::applicationLaunched, Qt::DirectConnection);
    connect(d, &SimDesktop::applicationTerminated, this, &Workspace::applicationTerminated,
            Qt::DirectConnection);
    connect(d, &SimDesktop::applicationActivated, this, &Workspace::applicationActivated,
            Qt::DirectConnection);
    connect(d, &SimDesktop::frontmostChanged, this, &Workspace::frontmostApplicationChanged,
            Qt::DirectConnection);
}

std::optional<RunningApplication> SimWorkspace::frontmostApplication() const {
    auto pid = m_desktop->frontmostPid();
    return pid ? runningApplication(*pid) : std::nullopt;
}

bool SimWorkspace::terminate(qint32 pid) {
    auto app = m_desktop->app(pid);
    if (!app || app->refusesToQuit)
        return false;
    m_desktop->quitApp(pid);
    return true;
}

} // namespace platform::sim
