#pragma once

#include <QCoreApplication>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

namespace platform {

// How an application takes part in the desktop.
enum class ActivationPolicy {
    Regular,    // an ordinary application with windows and a Dock icon
    Accessory,  // no Dock icon; may show windows (menu-bar utilities)
    Prohibited, // background only
};

// A snapshot of one running application.
struct RunningApplication {
    qint32 pid = 0;
    // None when the application has no bundle identifier.
    std::optional<QString> bundleIdentifier;
    QString localizedName;
    // Where the application lives on disk (its bundle or desktop entry); may be empty.
    QString bundlePath;
    ActivationPolicy activationPolicy = ActivationPolicy::Regular;
    bool hidden = false;
    // Wall time of the launch in milliseconds since 1970 (Clock::wallMillis), when known.
    std::optional<qint64> launchMillis;

    friend bool operator==(const RunningApplication&, const RunningApplication&) = default;
};

// The running applications of the desktop and their launch, quit and activation.
class Workspace : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // In the system's order. Callable from any thread.
    virtual QList<RunningApplication> runningApplications() const = 0;
    virtual std::optional<RunningApplication> frontmostApplication() const = 0;
    // Asks the application to quit; false when there is no such application or it refused at once.
    virtual bool terminate(qint32 pid) = 0;

    std::optional<RunningApplication> runningApplication(qint32 pid) const {
        for (const auto& app : runningApplications())
            if (app.pid == pid)
                return app;
        return std::nullopt;
    }
    // Every running application with this bundle identifier, in the system's order.
    QList<RunningApplication> runningApplications(const QString& bundleIdentifier) const {
        QList<RunningApplication> result;
        for (const auto& app : runningApplications())
            if (app.bundleIdentifier == bundleIdentifier)
                result.append(app);
        return result;
    }
    // This process's application is the frontmost one: on X11 the window manager's active window
    // is one of ours.
    bool ownApplicationIsFrontmost() const {
        const auto front = frontmostApplication();
        return front && front->pid == QCoreApplication::applicationPid();
    }
    // False once the application has quit.
    bool isRunning(qint32 pid) const { return runningApplication(pid).has_value(); }

signals:
    // Delivered on the main thread.
    void applicationLaunched(const platform::RunningApplication& app);
    void applicationTerminated(const platform::RunningApplication& app);
    void applicationActivated(const platform::RunningApplication& app);
    // The frontmost application is another one, or none is any longer; after applicationActivated.
    void frontmostApplicationChanged();
};

} // namespace platform
