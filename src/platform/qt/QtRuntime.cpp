#include "QtRuntime.h"

#include "QtTerminationSignals.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <thread>
#include <time.h>

namespace platform::qt {

namespace {

int toMilliseconds(double seconds) {
    if (!(seconds > 0))
        return 0;
    return int(std::min(std::ceil(seconds * 1000.0), double(INT_MAX)));
}

class SystemClock final : public Clock {
public:
    qint64 wallMillis() const override { return QDateTime::currentMSecsSinceEpoch(); }
    double uptime() const override {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
    }
};

// Signals a waiting sync() when the last copy of its task is gone: after it ran, or when the
// queue dropped it at shutdown.
class Completion {
public:
    void finish() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_done = true;
        m_cv.notify_all();
    }
    void wait() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cv.wait(lock, [&] { return m_done; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_done = false;
};

class CompletionSignal {
public:
    explicit CompletionSignal(std::shared_ptr<Completion> completion) : m_completion(std::move(completion)) {}
    CompletionSignal(const CompletionSignal&) = delete;
    CompletionSignal& operator=(const CompletionSignal&) = delete;
    ~CompletionSignal() { m_completion->finish(); }

private:
    std::shared_ptr<Completion> m_completion;
};

class QtSerialQueue;
thread_local const QtSerialQueue* t_currentQueue = nullptr;

class QtSerialQueue final : public SerialQueue {
public:
    explicit QtSerialQueue(QString label) : m_label(std::move(label)) {
        m_thread = std::thread([this] { run(); });
    }
    ~QtSerialQueue() override { stop(); }

    QString label() const override { return m_label; }

    void async(Task task) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping)
            return;
        m_tasks.push_back(std::move(task));
        m_cv.notify_one();
    }

    void sync(Task task) override {
        if (isCurrent()) {
            std::fprintf(stderr, "Tilewick: sync called on its own serial queue %s\n", qPrintable(m_label));
            std::abort();
        }
        auto completion = std::make_shared<Completion>();
        {
            auto signal = std::make_shared<CompletionSignal>(completion);
            async([task = std::move(task), signal] { task(); });
        }
        completion->wait();
    }

    bool isCurrent() const override { return t_currentQueue == this; }

    // Drops queued work and lets the running task finish; stop() waits for it.
    void beginStop() {
        std::deque<Task> dropped;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
            dropped.swap(m_tasks);
            m_cv.notify_all();
        }
    }
    void stop() {
        beginStop();
        if (!m_thread.joinable())
            return;
        if (std::this_thread::get_id() == m_thread.get_id())
            m_thread.detach();
        else
            m_thread.join();
    }

private:
    void run() {
        t_currentQueue = this;
        // Thread names are limited to 15 characters; the end of a reverse-domain label says most.
        pthread_setname_np(pthread_self(), m_label.right(15).toUtf8().constData());
        for (;;) {
            Task task;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_cv.wait(lock, [&] { return m_stopping || !m_tasks.empty(); });
                if (m_stopping)
                    return;
                task = std::move(m_tasks.front());
                m_tasks.pop_front();
            }
            task();
        }
    }

    QString m_label;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<Task> m_tasks;
    bool m_stopping = false;
    std::thread m_thread;
};

// A repeating timer whose ticks keep to their nominal times: the n-th comes `interval` × n after
// the start, at the earliest. Each tick is one single shot of the chosen precision. A coarse Qt
// timer may wake up to 5% of its interval early, so it is asked for a nineteenth more and never
// comes early (at most about 10.5% late); a very coarse one keeps whole seconds and may wake up to
// a second early, and a wake-up before the tick's time waits out the rest with a precise shot.
// Late ticks do not move the ones after them.
class QtRepeatingTimer final : public RepeatingTimer {
public:
    QtRepeatingTimer(double interval, Qt::TimerType type, Task task, QThread* mainThread)
        : m_schedule(std::make_shared<Schedule>(interval, type, std::move(task))) {
        m_timer = new QTimer;
        m_timer->setSingleShot(true);
        // The connection owns the schedule, so a task that drops this timer runs on to its end.
        QObject::connect(m_timer, &QTimer::timeout, m_timer,
                         [schedule = m_schedule, timer = m_timer] { schedule->tick(*timer); });
        if (QThread::currentThread() == mainThread) {
            m_schedule->start(*m_timer);
        } else {
            m_timer->moveToThread(mainThread);
            QMetaObject::invokeMethod(
                m_timer, [schedule = m_schedule, timer = m_timer] { schedule->start(*timer); },
                Qt::QueuedConnection);
        }
    }
    ~QtRepeatingTimer() override {
        cancel();
        m_timer->deleteLater();
    }

    void cancel() override {
        if (m_schedule->cancelled.exchange(true))
            return;
        QMetaObject::invokeMethod(m_timer, &QTimer::stop,
                                  QThread::currentThread() == m_timer->thread() ? Qt::DirectConnection
                                                                                : Qt::QueuedConnection);
    }
    bool isActive() const override { return !m_schedule->cancelled.load(); }

private:
    // Lives on the timer's thread but for `cancelled`.
    struct Schedule {
        Schedule(double interval, Qt::TimerType type, Task task)
            : interval(interval), type(type), task(std::move(task)) {}

        static double now() {
            return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
        }
        void start(QTimer& timer) {
            if (cancelled.load())
                return;
            due = now() + interval;
            arm(timer, type);
        }
        void arm(QTimer& timer, Qt::TimerType precision) {
            timer.setTimerType(precision);
            const qint64 ms = toMilliseconds(due - now());
            // An early coarse wake-up took a second, precise one: two wake-ups a tick.
            const qint64 asked = precision == Qt::CoarseTimer ? ms + (ms + 18) / 19 : ms;
            timer.start(int(std::min<qint64>(asked, INT_MAX)));
        }
        void tick(QTimer& timer) {
            if (cancelled.load())
                return;
            const double at = now();
            if (at < due) {
                arm(timer, Qt::PreciseTimer);
                return;
            }
            // Ticks missed while the loop was busy are not made up for.
            while (due <= at)
                due += interval;
            arm(timer, type);
            if (!QtTerminationSignals::requested())
                task();
        }

        const double interval;
        const Qt::TimerType type;
        const Task task;
        double due = 0;
        std::atomic<bool> cancelled{false};
    };

    std::shared_ptr<Schedule> m_schedule;
    QTimer* m_timer = nullptr;
};

// The item of a delayed task, whose timer lets go of itself once it fired. Cancelled on the main
// thread, it stops the timer and lets it go at once, so a task called off long before its time
// wakes nobody then; cancelled on another thread, the timer fires and finds it cancelled.
class DelayedItem final : public WorkItem {
public:
    explicit DelayedItem(QThread* mainThread) : m_mainThread(mainThread) {}

    // On the main thread, unless cancelled meanwhile. The timer keeps the item.
    static void arm(const std::shared_ptr<DelayedItem>& item, QObject* context, int ms, Task task) {
        if (item->isCancelled())
            return;
        auto fire = [item, task = std::move(task)] {
            if (!item->isCancelled() && !QtTerminationSignals::requested())
                task();
        };
        // No delay: its turn comes among the posted events, as with Qt's own single shots.
        if (ms == 0) {
            QMetaObject::invokeMethod(context, std::move(fire), Qt::QueuedConnection);
            return;
        }
        auto* timer = new QTimer(context);
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer, &QTimer::timeout, context, [timer, fire = std::move(fire)] {
            timer->deleteLater();
            fire();
        });
        item->m_timer = timer;
        timer->start(ms);
    }

protected:
    void cancelled() override {
        if (QThread::currentThread() != m_mainThread || !m_timer)
            return;
        m_timer->stop();
        m_timer->deleteLater();
    }

private:
    QThread* const m_mainThread;
    QPointer<QTimer> m_timer; // on the main thread
};

} // namespace

struct QtRuntime::Shared {
    SystemClock clock;
    std::mutex mutex;
    std::condition_variable cv;
    bool shutdown = false;
    QThread* mainThread = nullptr;
};

QtRuntime::QtRuntime() : m_shared(std::make_shared<Shared>()), m_context(new QObject) {
    m_shared->mainThread =
        QCoreApplication::instance() ? QCoreApplication::instance()->thread() : QThread::currentThread();
    m_context->moveToThread(m_shared->mainThread);
    m_pool.setMaxThreadCount(std::max(4, QThread::idealThreadCount()));
}

QtRuntime::~QtRuntime() {
    stopWorkers();
    delete m_context;
}

void QtRuntime::stopWorkers() {
    QMap<QString, SerialQueueRef> queues;
    {
        std::lock_guard<std::mutex> lock(m_queuesMutex);
        if (m_workersStopped)
            return;
        m_workersStopped = true;
        queues = m_queues;
    }
    // First no new work starts, then sleepers wake, then everything running is waited for.
    for (const auto& queue : std::as_const(queues))
        static_cast<QtSerialQueue*>(queue.get())->beginStop();
    m_pool.clear();
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->shutdown = true;
        m_shared->cv.notify_all();
    }
    m_pool.waitForDone();
    for (const auto& queue : std::as_const(queues))
        static_cast<QtSerialQueue*>(queue.get())->stop();
}

Clock& QtRuntime::clock() {
    return m_shared->clock;
}

void QtRuntime::async(Task task) {
    QMetaObject::invokeMethod(
        m_context,
        [task = std::move(task)] {
            if (!QtTerminationSignals::requested())
                task();
        },
        Qt::QueuedConnection);
}

void QtRuntime::runQueuedNow() {
    Q_ASSERT(isMainThread());
    // Only the main queue's own calls: other receivers' events keep their turn.
    QCoreApplication::sendPostedEvents(m_context, QEvent::MetaCall);
}

WorkItemRef QtRuntime::after(double seconds, Task task) {
    auto item = std::make_shared<DelayedItem>(m_shared->mainThread);
    const int ms = toMilliseconds(seconds);
    QObject* context = m_context;
    if (isMainThread()) {
        DelayedItem::arm(item, context, ms, std::move(task));
    } else {
        QMetaObject::invokeMethod(
            context,
            [item, ms, context, task = std::move(task)]() mutable {
                DelayedItem::arm(item, context, ms, std::move(task));
            },
            Qt::QueuedConnection);
    }
    return item;
}

Qt::TimerType QtRuntime::timerTypeFor(double interval, double tolerance) {
    if (tolerance >= 1.0)
        return Qt::VeryCoarseTimer;
    // Within the tolerance however late a coarse tick comes.
    if (tolerance > 0 && tolerance >= 0.11 * interval)
        return Qt::CoarseTimer;
    return Qt::PreciseTimer;
}

RepeatingTimerRef QtRuntime::every(double interval, double tolerance, Task task) {
    return std::make_shared<QtRepeatingTimer>(std::max(0.001, interval), timerTypeFor(interval, tolerance),
                                              std::move(task), m_shared->mainThread);
}

SerialQueueRef QtRuntime::serialQueue(const QString& label) {
    std::lock_guard<std::mutex> lock(m_queuesMutex);
    auto& queue = m_queues[label];
    if (!queue) {
        auto made = std::make_shared<QtSerialQueue>(label);
        if (m_workersStopped)
            made->stop();
        queue = made;
    }
    return queue;
}

void QtRuntime::global(Task task) {
    std::unique_lock<std::mutex> lock(m_queuesMutex);
    if (m_workersStopped) {
        lock.unlock();
        return; // `task` goes outside the lock
    }
    m_pool.start(std::move(task));
}

void QtRuntime::sleep(double seconds) {
    if (isMainThread())
        qWarning("QtRuntime: sleep on the main thread blocks the interface");
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(toMilliseconds(seconds));
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    m_shared->cv.wait_until(lock, deadline, [&] { return m_shared->shutdown; });
}

bool QtRuntime::isMainThread() const {
    return QThread::currentThread() == m_shared->mainThread;
}

} // namespace platform::qt
