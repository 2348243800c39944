#pragma once

#include "platform/Runtime.h"

#include <memory>

namespace platform::sim {

// A deterministic runtime on a virtual clock, for tests.
//
// Time stands still until the test moves it. The thread that creates the runtime is the main
// thread; the main queue, after() items and repeating timers run on it, and only inside
// runUntilIdle() or advance().
//
// Serial queues and the global queue run on real worker threads, but in lockstep with the main
// thread: at any moment at most one of {the main thread running queued work, one worker} runs.
// The token passes only when a task ends, when a worker sleeps, or when a thread waits in
// SerialQueue::sync(). Ready workers take turns in the order they became ready, one task at a
// time, so every run of a test takes the same course.
//
// - runUntilIdle() runs work until the main queue is empty, no timer is due and every worker
//   is idle or asleep on the virtual clock. Main-queue work posted by workers runs in it too.
// - advance(seconds) moves the clock forward one deadline at a time (timers, after() items and
//   sleeping workers, earliest first; equal deadlines in the order they were scheduled), wakes
//   that one timer or worker and runs until idle again before the next step.
// - sleep(seconds) on a worker blocks it until the clock reaches its deadline, so a worker that
//   polls every 0.2 s for 20 s finishes within one advance(20) in microseconds of real time.
// - Repeating timers fire exactly on their interval; the tolerance is ignored. An interval
//   below one millisecond counts as one millisecond.
// - SerialQueue::sync() from the main thread runs the workers until the item is done (no main
//   work runs meanwhile, as on a blocked main thread); if the queue sleeps, the clock moves to
//   the sleeper's deadline, and timers that fall due meanwhile fire at the next runUntilIdle().
//   A sync that could never finish stops the process with a message.
//
// Workers must block only through this runtime (sleep, sync); a worker that waits on anything
// else while holding the token stalls the test. Destroying the runtime unwinds every sleeping
// or waiting worker (the blocked call throws an internal exception that the worker catches)
// and drops work that has not run.
class VirtualRuntime final : public Runtime {
public:
    // 2024-01-01T00:00:00Z.
    static constexpr qint64 kDefaultWallMillis = 1'704'067'200'000;
    static constexpr double kDefaultUptime = 1000.0;

    explicit VirtualRuntime(qint64 wallMillisAtStart = kDefaultWallMillis,
                            double uptimeAtStart = kDefaultUptime);
    ~VirtualRuntime() override;

    VirtualRuntime(const VirtualRuntime&) = delete;
    VirtualRuntime& operator=(const VirtualRuntime&) = delete;

    Clock& clock() override;
    void async(Task task) override;
    void runQueuedNow() override;
    WorkItemRef after(double seconds, Task task) override;
    RepeatingTimerRef every(double interval, double tolerance, Task task) override;
    SerialQueueRef serialQueue(const QString& label) override;
    void global(Task task) override;
    void sleep(double seconds) override;
    bool isMainThread() const override;
    // Unwinds every worker as destruction does (on the main thread); main work and timers stay.
    void stopWorkers() override;

    // Runs queued and due work until nothing is left to do at the current time.
    void runUntilIdle();
    // Moves the clock forward by `seconds`, running everything that falls due on the way.
    void advance(double seconds);

    // Virtual seconds since construction.
    double elapsed() const;
    // Scheduled after() items and repeating timers that are neither cancelled nor released.
    int pendingTimers() const;
    // How many times delayed items and repeating timers have fired so far: the wake-ups a
    // program would have had.
    int timersFired() const;

    struct Scheduler;

private:
    std::shared_ptr<Scheduler> m_scheduler;
};

} // namespace platform::sim
