#pragma once

#include "platform/TerminationSignals.h"

#include <initializer_list>

class QSocketNotifier;

namespace platform::qt {

// Termination signals through a pipe: the signal handler only writes the signal's number into
// it; the main thread reads it and emits terminationRequested(); main-queue work queued before it
// is dropped (see requested()). One instance at a time; create it on the main thread, after the
// QCoreApplication. Destroying it restores the default handlers.
class QtTerminationSignals final : public TerminationSignals {
    Q_OBJECT
public:
    explicit QtTerminationSignals(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    ~QtTerminationSignals() override;

    int received() const override { return m_received; }
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
