#pragma once

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

namespace platform::qt {

// Ends the Qt event loop when the process is asked to terminate (SIGINT from Ctrl+C in a
// terminal, SIGTERM from the session or `kill`), so the program leaves as after a normal quit.
//
// The signal handler only writes the signal's number into a pipe; the main thread reads it and
// quits the QCoreApplication; main-queue work queued before it is dropped (see requested()).
// One instance at a time; create it on the main thread, after the
// QCoreApplication. Destroying it restores the default handlers.
class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    ~TerminationSignals() override;

    // The last signal that ended the loop; 0 before any.
    int received() const { return m_received; }
    // True from the moment a watched signal arrives (set by the handler itself, before the main
    // thread reads the pipe) until the instance goes. QtRuntime then drops main-queue work that
    // has not started, so a quit is not held up by work queued before it (hotkeys and their moves).
    static bool requested();

private:
    void readSignal();

    QList<int> m_signals;
    QSocketNotifier* m_notifier = nullptr;
    int m_received = 0;
};

} // namespace platform::qt
