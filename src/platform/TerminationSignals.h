#pragma once

#include <QObject>

namespace platform {

// The process is asked to terminate (SIGINT from Ctrl+C in a terminal, SIGTERM from the session
// or `kill`). The program answers with its orderly quit, as after its own Quit. Main thread.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The last signal that asked; 0 before any.
    virtual int received() const = 0;

signals:
    // Emitted on the main thread for each request.
    void terminationRequested(int signal);
};

} // namespace platform
