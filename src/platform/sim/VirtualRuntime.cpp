#include "VirtualRuntime.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace platform::sim {

namespace {

constexpr qint64 kMinimumIntervalNs = 1'000'000;

// Thrown out of a blocked sleep() or sync() when the runtime goes away, to unwind the worker.
struct ShutdownSignal {};

qint64 toNanoseconds(double seconds) {
    if (!(seconds > 0))
        return 0;
    // About 31 years: far beyond any test, and far from overflowing.
    return std::llround(std::min(seconds, 1e9) * 1e9);
}

[[noreturn]] void fatal(const char* message) {
    std::fprintf(stderr, "VirtualRuntime: %s\n", message);
    std::fflush(stderr);
    std::abort();
}

class VirtualTimer final : public RepeatingTimer {
public:
    void cancel() override { m_cancelled.store(true); }
    bool isActive() const override { return !m_cancelled.load(); }

private:
    std::atomic<bool> m_cancelled{false};
};

} // namespace

struct Worker {
    enum class State { Idle, Ready, Running, Sleeping, Waiting };

    VirtualRuntime::Scheduler* scheduler = nullptr;
    bool global = false;
    State state = State::Idle;
    std::deque<Task> tasks;
    std::thread thread;
};

namespace {
thread_local Worker* t_worker = nullptr;
}

// A sync() caller waiting for its item.
struct SyncWait {
    bool done = false;
    Worker* waiter = nullptr;
};

struct Wakeup {
    enum class Kind { Once, Repeat, Sleeper };
    Kind kind = Kind::Once;
    WorkItemRef item;
    std::shared_ptr<Task> task;
    std::weak_ptr<VirtualTimer> timer;
    qint64 intervalNs = 0;
    Worker* sleeper = nullptr;
};

class VirtualClock final : public Clock {
public:
    VirtualClock(const std::atomic<qint64>& nowNs, qint64 wallBase, double uptimeBase)
        : m_nowNs(nowNs), m_wallBase(wallBase), m_uptimeBase(uptimeBase) {}
    qint64 wallMillis() const override { return m_wallBase + m_nowNs.load() / 1'000'000; }
    double uptime() const override { return m_uptimeBase + double(m_nowNs.load()) / 1e9; }

private:
    const std::atomic<qint64>& m_nowNs;
    qint64 m_wallBase;
    double m_uptimeBase;
};

class VirtualSerialQueue;

struct VirtualRuntime::Scheduler {
    Scheduler(qint64 wallBase, double uptimeBase)
        : clock(nowNs, wallBase, uptimeBase), mainThread(std::this_thread::get_id()) {}

    using Lock = std::unique_lock<std::mutex>;
    using Key = std::pair<qint64, quint64>; // deadline, order of scheduling

    mutable std::mutex mutex;
    std::condition_variable cv;
    std::atomic<qint64> nowNs{0};
    // Delayed items and repeating timers that have fired.
    int timersFired = 0;
    VirtualClock clock;
    std::thread::id mainThread;
    bool shutdown = false;       // the runtime is going: nothing runs any more
    bool workersStopped = false; // workers are gone or going: worker work is dropped
    quint64 nextOrder = 0;

    std::deque<Task> mainQueue;
    std::map<Key, Wakeup> wakeups;
    std::deque<Worker*> ready;
    Worker* running = nullptr; // the worker holding the token; null: the main thread holds it
    std::vector<std::unique_ptr<Worker>> workers;
    std::map<QString, std::shared_ptr<VirtualSerialQueue>> queues;

    void requireMainThread(const char* what) const {
        if (std::this_thread::get_id() != mainThread) {
            std::fprintf(stderr, "VirtualRuntime: %s must be called on the main thread\n", what);
            std::abort();
        }
    }

    bool isWorkerOfThis() const { return t_worker && t_worker->scheduler == this; }

    Key schedule(qint64 deadline, Wakeup wakeup) {
        Key key{deadline, nextOrder++};
        wakeups.emplace(key, std::move(wakeup));
        return key;
    }

    Worker* addWorker(bool isGlobal) {
        auto worker = std::make_unique<Worker>();
        worker->scheduler = this;
        worker->global = isGlobal;
        Worker* w = worker.get();
        workers.push_back(std::move(worker));
        if (!workersStopped) // else a worker in name only: its work is dropped
            w->thread = std::thread([this, w] { workerLoop(w); });
        return w;
    }

    void makeReady(Worker* w) {
        w->state = Worker::State::Ready;
        ready.push_back(w);
    }

    // Called with the lock held. Drops the task after shutdown.
    void enqueue(Worker* w, Task task, Lock& lock) {
        if (workersStopped) {
            lock.unlock();
            return; // `task` is destroyed by the caller, outside the lock
        }
        w->tasks.push_back(std::move(task));
        if (w->state == Worker::State::Idle)
            makeReady(w);
        cv.notify_all();
    }

    // The calling worker gives the token back and blocks until it is given again.
    void yieldAndWait(Worker* w, Lock& lock) {
        running = nullptr;
        cv.notify_all();
        cv.wait(lock, [&] { return running == w; });
        if (workersStopped)
            throw ShutdownSignal{};
    }

    void workerLoop(Worker* w) {
        t_worker = w;
        Lock lock(mutex);
        for (;;) {
            cv.wait(lock, [&] { return running == w; });
            if (workersStopped)
                break;
            Task task = std::move(w->tasks.front());
            w->tasks.pop_front();
            lock.unlock();
            try {
                task();
                task = nullptr;
            } catch (const ShutdownSignal&) {
                task = nullptr;
                lock.lock();
                break;
            }
            lock.lock();
            if (w->tasks.empty())
                w->state = Worker::State::Idle;
            else
                makeReady(w);
            running = nullptr;
            cv.notify_all();
        }
        running = nullptr;
        cv.notify_all();
    }

    // Main thread: lets ready workers run, one turn each, until none is ready.
    void pump(Lock& lock) {
        while (!ready.empty()) {
            Worker* w = ready.front();
            ready.pop_front();
            w->state = Worker::State::Running;
            running = w;
            cv.notify_all();
            cv.wait(lock, [&] { return running == nullptr; });
        }
    }

    // Main thread: runs one piece of main work or one due wakeup. False when idle.
    bool runOne(Lock& lock) {
        pump(lock);
        if (!mainQueue.empty()) {
            Task task = std::move(mainQueue.front());
            mainQueue.pop_front();
            lock.unlock();
            task();
            task = nullptr;
            lock.lock();
            return true;
        }
        auto it = wakeups.begin();
        if (it == wakeups.end() || it->first.first > nowNs.load())
            return false;
        const qint64 deadline = it->first.first;
        std::optional<Wakeup> wakeup(std::move(it->second));
        wakeups.erase(it);
        std::shared_ptr<Task> toRun;
        switch (wakeup->kind) {
        case Wakeup::Kind::Sleeper:
            makeReady(wakeup->sleeper);
            return true;
        case Wakeup::Kind::Once:
            if (!wakeup->item->isCancelled())
                toRun = wakeup->task;
            break;
        case Wakeup::Kind::Repeat:
            if (auto timer = wakeup->timer.lock(); timer && timer->isActive()) {
                // Rescheduled before it runs, as a real timer sets its next fire date when it fires.
                qint64 next = deadline + wakeup->intervalNs;
                if (next <= nowNs.load())
                    next += ((nowNs.load() - next) / wakeup->intervalNs + 1) * wakeup->intervalNs;
                toRun = wakeup->task;
                schedule(next, *wakeup);
            }
            break;
        }
        if (toRun)
            ++timersFired;
        lock.unlock();
        if (toRun)
            (*toRun)();
        toRun.reset();
        wakeup.reset();
        lock.lock();
        return true;
    }

    void sync(Worker* target, Task task, Lock& lock);

    // Main thread: each worker in turn unwinds its blocked task (or leaves its idle loop) and
    // exits; their queued work is dropped outside the lock.
    void stopWorkers(Lock& lock) {
        if (workersStopped)
            return;
        workersStopped = true;
        ready.clear();
        std::erase_if(wakeups, [](const auto& entry) { return entry.second.kind == Wakeup::Kind::Sleeper; });
        for (auto& w : workers) {
            running = w.get();
            cv.notify_all();
            cv.wait(lock, [&] { return running == nullptr; });
        }
        std::deque<Task> dropped;
        std::vector<std::thread*> threads;
        for (auto& w : workers) {
            for (Task& task : w->tasks)
                dropped.push_back(std::move(task));
            w->tasks.clear();
            w->state = Worker::State::Idle;
            threads.push_back(&w->thread);
        }
        lock.unlock();
        for (std::thread* thread : threads)
            thread->join();
        dropped.clear();
        lock.lock();
    }
};

class VirtualSerialQueue final : public SerialQueue {
public:
    VirtualSerialQueue(QString label, VirtualRuntime::Scheduler* scheduler, Worker* worker)
        : m_label(std::move(label)), m_scheduler(scheduler), m_worker(worker) {}

    QString label() const override { return m_label; }
    void async(Task task) override {
        VirtualRuntime::Scheduler::Lock lock(m_scheduler->mutex);
        m_scheduler->enqueue(m_worker, std::move(task), lock);
    }
    void sync(Task task) override {
        if (isCurrent())
            fatal("sync called on its own serial queue");
        VirtualRuntime::Scheduler::Lock lock(m_scheduler->mutex);
        m_scheduler->sync(m_worker, std::move(task), lock);
    }
    bool isCurrent() const override { return t_worker == m_worker; }

private:
    QString m_label;
    VirtualRuntime::Scheduler* m_scheduler;
    Worker* m_worker;
};

void VirtualRuntime::Scheduler::sync(Worker* target, Task task, Lock& lock) {
    if (workersStopped)
        return;
    auto wait = std::make_shared<SyncWait>();
    Worker* self = isWorkerOfThis() ? t_worker : nullptr;
    wait->waiter = self;
    enqueue(
        target,
        [this, wait, task = std::move(task)] {
            task();
            std::lock_guard<std::mutex> guard(mutex);
            wait->done = true;
            if (wait->waiter && wait->waiter->state == Worker::State::Waiting)
                makeReady(wait->waiter);
            cv.notify_all();
        },
        lock);

    if (self) {
        self->state = Worker::State::Waiting;
        yieldAndWait(self, lock);
        return;
    }
    if (std::this_thread::get_id() != mainThread) {
        // A thread the runtime does not manage: wait for the main thread to run the queue.
        cv.wait(lock, [&] { return wait->done || workersStopped; });
        return;
    }
    for (;;) {
        pump(lock);
        if (wait->done)
            return;
        // Only sleepers can still make progress: move the clock to the earliest of them.
        auto it = wakeups.begin();
        while (it != wakeups.end() && it->second.kind != Wakeup::Kind::Sleeper)
            ++it;
        if (it == wakeups.end())
            fatal("sync can never finish: its queue waits for something that cannot happen");
        if (it->first.first > nowNs.load())
            nowNs.store(it->first.first);
        makeReady(it->second.sleeper);
        wakeups.erase(it);
    }
}

VirtualRuntime::VirtualRuntime(qint64 wallMillisAtStart, double uptimeAtStart)
    : m_scheduler(std::make_shared<Scheduler>(wallMillisAtStart, uptimeAtStart)) {}

VirtualRuntime::~VirtualRuntime() {
    Scheduler& s = *m_scheduler;
    std::deque<Task> mainQueue;
    std::map<Scheduler::Key, Wakeup> wakeups;
    Scheduler::Lock lock(s.mutex);
    s.shutdown = true;
    mainQueue.swap(s.mainQueue);
    wakeups.swap(s.wakeups);
    s.stopWorkers(lock);
    lock.unlock();
}

void VirtualRuntime::stopWorkers() {
    Scheduler& s = *m_scheduler;
    s.requireMainThread("stopWorkers");
    Scheduler::Lock lock(s.mutex);
    s.stopWorkers(lock);
}

Clock& VirtualRuntime::clock() {
    return m_scheduler->clock;
}

void VirtualRuntime::async(Task task) {
    std::lock_guard<std::mutex> lock(m_scheduler->mutex);
    if (!m_scheduler->shutdown)
        m_scheduler->mainQueue.push_back(std::move(task));
}

void VirtualRuntime::runQueuedNow() {
    Scheduler& s = *m_scheduler;
    s.requireMainThread("runQueuedNow");
    Scheduler::Lock lock(s.mutex);
    for (size_t queued = s.mainQueue.size(); queued > 0 && !s.mainQueue.empty(); --queued) {
        Task task = std::move(s.mainQueue.front());
        s.mainQueue.pop_front();
        lock.unlock();
        task();
        task = nullptr;
        lock.lock();
    }
}

WorkItemRef VirtualRuntime::after(double seconds, Task task) {
    auto item = std::make_shared<WorkItem>();
    Wakeup wakeup;
    wakeup.kind = Wakeup::Kind::Once;
    wakeup.item = item;
    wakeup.task = std::make_shared<Task>(std::move(task));
    std::lock_guard<std::mutex> lock(m_scheduler->mutex);
    if (!m_scheduler->shutdown)
        m_scheduler->schedule(m_scheduler->nowNs.load() + toNanoseconds(seconds), std::move(wakeup));
    return item;
}

RepeatingTimerRef VirtualRuntime::every(double interval, double /*tolerance*/, Task task) {
    auto timer = std::make_shared<VirtualTimer>();
    Wakeup wakeup;
    wakeup.kind = Wakeup::Kind::Repeat;
    wakeup.timer = timer;
    wakeup.intervalNs = std::max(kMinimumIntervalNs, toNanoseconds(interval));
    wakeup.task = std::make_shared<Task>(std::move(task));
    std::lock_guard<std::mutex> lock(m_scheduler->mutex);
    if (!m_scheduler->shutdown)
        m_scheduler->schedule(m_scheduler->nowNs.load() + wakeup.intervalNs, std::move(wakeup));
    return timer;
}

SerialQueueRef VirtualRuntime::serialQueue(const QString& label) {
    std::lock_guard<std::mutex> lock(m_scheduler->mutex);
    auto& queue = m_scheduler->queues[label];
    if (!queue)
        queue = std::make_shared<VirtualSerialQueue>(label, m_scheduler.get(), m_scheduler->addWorker(false));
    return queue;
}

void VirtualRuntime::global(Task task) {
    Scheduler& s = *m_scheduler;
    Scheduler::Lock lock(s.mutex);
    Worker* idle = nullptr;
    for (auto& w : s.workers) {
        if (w->global && w->state == Worker::State::Idle) {
            idle = w.get();
            break;
        }
    }
    if (!idle && !s.workersStopped)
        idle = s.addWorker(true);
    if (idle)
        s.enqueue(idle, std::move(task), lock);
}

void VirtualRuntime::sleep(double seconds) {
    Scheduler& s = *m_scheduler;
    Scheduler::Lock lock(s.mutex);
    if (!s.isWorkerOfThis()) {
        if (std::this_thread::get_id() == s.mainThread)
            fatal("sleep called on the main thread");
        // A thread the runtime does not manage: wait until the clock passes the deadline.
        const qint64 deadline = s.nowNs.load() + toNanoseconds(seconds);
        s.cv.wait(lock, [&] { return s.nowNs.load() >= deadline || s.shutdown; });
        return;
    }
    if (s.workersStopped)
        throw ShutdownSignal{};
    Worker* self = t_worker;
    Wakeup wakeup;
    wakeup.kind = Wakeup::Kind::Sleeper;
    wakeup.sleeper = self;
    s.schedule(s.nowNs.load() + toNanoseconds(seconds), std::move(wakeup));
    self->state = Worker::State::Sleeping;
    s.yieldAndWait(self, lock);
}

bool VirtualRuntime::isMainThread() const {
    return std::this_thread::get_id() == m_scheduler->mainThread;
}

void VirtualRuntime::runUntilIdle() {
    Scheduler& s = *m_scheduler;
    s.requireMainThread("runUntilIdle");
    Scheduler::Lock lock(s.mutex);
    while (s.runOne(lock)) {
    }
    s.cv.notify_all();
}

void VirtualRuntime::advance(double seconds) {
    Scheduler& s = *m_scheduler;
    s.requireMainThread("advance");
    Scheduler::Lock lock(s.mutex);
    const qint64 target = s.nowNs.load() + toNanoseconds(seconds);
    while (s.runOne(lock)) {
    }
    while (!s.wakeups.empty() && s.wakeups.begin()->first.first <= target) {
        s.nowNs.store(std::max(s.nowNs.load(), s.wakeups.begin()->first.first));
        s.cv.notify_all();
        while (s.runOne(lock)) {
        }
    }
    s.nowNs.store(target);
    s.cv.notify_all();
}

double VirtualRuntime::elapsed() const {
    return double(m_scheduler->nowNs.load()) / 1e9;
}

int VirtualRuntime::timersFired() const {
    std::lock_guard<std::mutex> lock(m_scheduler->mutex);
    return m_scheduler->timersFired;
}

int VirtualRuntime::pendingTimers() const {
    std::lock_guard<std::mutex> lock(m_scheduler->mutex);
    int count = 0;
    for (const auto& [key, wakeup] : m_scheduler->wakeups) {
        if (wakeup.kind == Wakeup::Kind::Once && !wakeup.item->isCancelled())
            ++count;
        else if (wakeup.kind == Wakeup::Kind::Repeat) {
            auto timer = wakeup.timer.lock();
            if (timer && timer->isActive())
                ++count;
        }
    }
    return count;
}

} // namespace platform::sim
