#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <memory>

namespace platform {

using Task = std::function<void()>;

// A unit of delayed or queued work that can be cancelled before it runs.
// Cancelling after it ran, or twice, is harmless.
class WorkItem {
public:
    virtual ~WorkItem() = default;
    void cancel() {
        if (!m_cancelled.exchange(true, std::memory_order_relaxed))
            cancelled();
    }
    bool isCancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

protected:
    // Once, from the first cancel(), on the cancelling thread: a runtime lets go of what it keeps
    // for the work (its timer) where it can.
    virtual void cancelled() {}

private:
    std::atomic<bool> m_cancelled{false};
};
using WorkItemRef = std::shared_ptr<WorkItem>;

// A repeating timer; it stops when cancelled or when the last reference is dropped.
class RepeatingTimer {
public:
    virtual ~RepeatingTimer() = default;
    virtual void cancel() = 0;
    virtual bool isActive() const = 0;
};
using RepeatingTimerRef = std::shared_ptr<RepeatingTimer>;

// A serial queue: work items run one at a time, in submission order, off the main thread.
class SerialQueue {
public:
    virtual ~SerialQueue() = default;
    virtual QString label() const = 0;
    // Runs `task` later on the queue; returns at once.
    virtual void async(Task task) = 0;
    // Runs `task` on the queue and waits for it (and for everything submitted before it).
    // Never call from the queue itself.
    virtual void sync(Task task) = 0;
    // True when the calling thread is this queue's worker.
    virtual bool isCurrent() const = 0;
};
using SerialQueueRef = std::shared_ptr<SerialQueue>;

// Time as the program sees it. Every designed delay and every time stamp goes through it,
// so tests can run on a virtual clock.
class Clock {
public:
    virtual ~Clock() = default;
    // Wall time: milliseconds since 1970-01-01T00:00:00Z.
    virtual qint64 wallMillis() const = 0;
    // Monotonic seconds since an arbitrary origin (system uptime).
    virtual double uptime() const = 0;
    // Wall time as seconds since 2001-01-01T00:00:00Z, the reference date stored values use.
    double referenceSeconds() const { return double(wallMillis()) / 1000.0 - kReferenceEpochOffset; }

    static constexpr double kReferenceEpochOffset = 978307200.0;
};

// The main queue, timers and worker queues. One instance per process, reached through Platform.
class Runtime {
public:
    virtual ~Runtime() = default;

    virtual Clock& clock() = 0;

    // Runs `task` on the main thread on a later turn of the event loop.
    virtual void async(Task task) = 0;
    // Runs now, on the main thread, what async() has queued so far, in its order, ahead of the
    // rest of the event loop's turn. For an event source that has just queued work that must not
    // wait behind paints and other sources (a hotkey's move); tasks queued meanwhile wait.
    virtual void runQueuedNow() = 0;
    // Runs `task` on the main thread after `seconds`, unless the returned item is cancelled first.
    virtual WorkItemRef after(double seconds, Task task) = 0;
    // Runs `task` on the main thread every `interval` seconds; the runtime may fire up to
    // `tolerance` seconds late to coalesce wake-ups.
    virtual RepeatingTimerRef every(double interval, double tolerance, Task task) = 0;

    // The serial queue with this label; the same label always gives the same queue.
    virtual SerialQueueRef serialQueue(const QString& label) = 0;
    // Runs `task` on a worker of the shared concurrent queue.
    virtual void global(Task task) = 0;

    // Sleeps the calling worker thread for `seconds` of runtime time. On the virtual runtime
    // this follows the virtual clock. Must not be called on the main thread.
    virtual void sleep(double seconds) = 0;

    // True on the thread that runs the main queue.
    virtual bool isMainThread() const = 0;

    // Ends the worker threads: serial and global work that has not started is dropped, running
    // work finishes (sleeps end early), and the call returns when every worker is gone. Later
    // worker work is dropped. The main queue and timers go on. Never call from a worker.
    virtual void stopWorkers() = 0;
};

} // namespace platform
