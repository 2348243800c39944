#pragma once

#include <QObject>
#include <QString>

namespace platform {

// One running instance of the program per user and desktop session: a later start asks the
// running one to show itself and leaves. Main thread.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role {
        // This process runs; reopenRequested() tells of later starts.
        Primary,
        // Another instance runs and has been asked to show itself.
        Secondary,
        // Another instance holds the claim but did not answer.
        Unreachable,
    };

    using QObject::QObject;

    // Decides this process's role; call once.
    virtual Role claim() = 0;
    // Where the running instance is reached, for a message when it does not answer.
    virtual QString address() const = 0;

signals:
    // A later start asks this instance to show its main window.
    void reopenRequested();
};

} // namespace platform
