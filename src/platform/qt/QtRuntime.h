#pragma once

#include "platform/Runtime.h"

#include <QMap>
#include <QObject>
#include <QThreadPool>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace platform::qt {

// The runtime of the real program.
//
// The main queue is the Qt event loop of the thread that creates the runtime (the
// QApplication's thread); after() and every() are QTimers on that thread, so they need its
// event loop running. Timer precision follows the tolerance asked for: none gives a precise
// timer, a tolerance of at least 11% of the interval a coarse one, a tolerance of a second or
// more a very coarse one; a repeating timer's ticks still never come before their nominal times
// (start + interval × n), which Qt's coarse timers alone do not promise. Each serial queue is one worker
// thread with a FIFO; the global queue is a thread pool. Sleeps are real, but end early when the runtime
// shuts down, so that destroying it never waits out a poll. Once the process is asked to terminate
// (QtTerminationSignals::requested()), main-queue work and timers that have not started are
// dropped, so the quit comes next. The clock is the system's: UTC wall time and the
// monotonic clock (which, like the uptime the design knows, stands still while the machine
// is suspended). A task of after() cancelled on the main thread stops its timer.
class QtRuntime final : public Runtime {
public:
    QtRuntime();
    // Lets running work finish, drops queued work that has not started, and joins the workers.
    ~QtRuntime() override;

    QtRuntime(const QtRuntime&) = delete;
    QtRuntime& operator=(const QtRuntime&) = delete;

    Clock& clock() override;
    void async(Task task) override;
    void runQueuedNow() override;
    WorkItemRef after(double seconds, Task task) override;
    RepeatingTimerRef every(double interval, double tolerance, Task task) override;
    SerialQueueRef serialQueue(const QString& label) override;
    void global(Task task) override;
    void sleep(double seconds) override;
    bool isMainThread() const override;
    void stopWorkers() override;

    // The timer type for a repeating timer with this interval and tolerance.
    static Qt::TimerType timerTypeFor(double interval, double tolerance);

    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
    QObject* m_context; // lives on the main thread; main-queue work and timers run in its context
    QThreadPool m_pool;
    std::mutex m_queuesMutex; // guards the queues and the stop, so no work starts after it
    QMap<QString, SerialQueueRef> m_queues;
    bool m_workersStopped = false;
};

} // namespace platform::qt
