#include "platform/qt/QtRuntime.h"
#include "platform/qt/QtTerminationSignals.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <mutex>
#include <thread>

using platform::qt::QtRuntime;

namespace {

// Runs the event loop until `done` holds; the deadline only guards against a hang.
template <typename Predicate> bool spinUntil(Predicate done) {
    QDeadlineTimer guard(10'000);
    while (!done() && !guard.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

TEST(QtRuntime, MainQueueAndZeroDelayRunInOrderOnTheMainThread) {
    QtRuntime rt;
    QStringList order;
    bool allOnMain = true;
    auto note = [&](const char* what) {
        allOnMain = allOnMain && rt.isMainThread();
        order << what;
    };
    rt.async([&] { note("a"); });
    auto cancelled = rt.after(0, [&] { note("cancelled"); });
    cancelled->cancel();
    rt.after(0, [&] { note("after"); });
    rt.async([&] { note("b"); });
    ASSERT_TRUE(spinUntil([&] { return order.size() == 3; }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(order.startsWith("a"));
    EXPECT_TRUE(order.contains("b") && order.contains("after"));
    EXPECT_FALSE(order.contains("cancelled"));
    EXPECT_TRUE(allOnMain);
}

// A task called off on the main thread takes its timer with it: a closed window's pending work
// woke the idle program for nothing when its time came.
TEST(QtRuntime, ADelayedTaskCalledOffLetsGoOfItsTimerAtOnce) {
    QtRuntime rt;
    auto held = std::make_shared<int>(0);
    const std::weak_ptr<int> watch = held;
    const auto item = rt.after(3600, [held = std::move(held)] {});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(watch.expired());
    item->cancel();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.expired()) << "its timer still waits";
    item->cancel();
}

// What a key's handler queued runs before the event loop's next turn; what that work queues, and
// other receivers' events, keep theirs.
TEST(QtRuntime, QueuedWorkRunsNowOnRequestAndWhatItQueuesWaits) {
    QtRuntime rt;
    QStringList order;
    QObject other;
    bool otherRan = false;
    QMetaObject::invokeMethod(
        &other, [&] { otherRan = true; }, Qt::QueuedConnection);
    rt.async([&] {
        order << "a";
        rt.async([&] { order << "c"; });
    });
    rt.async([&] { order << "b"; });
    rt.runQueuedNow();
    EXPECT_EQ(order, (QStringList{"a", "b"}));
    EXPECT_FALSE(otherRan);
    ASSERT_TRUE(spinUntil([&] { return order.size() == 3 && otherRan; }));
}

TEST(QtRuntime, WorkFromWorkersComesBackToTheMainThread) {
    QtRuntime rt;
    std::atomic<bool> workerOffMain{false};
    bool mainOnMain = false, timerOnMain = false;
    rt.global([&] {
        workerOffMain = !rt.isMainThread();
        rt.async([&] { mainOnMain = rt.isMainThread(); });
        rt.after(0, [&] { timerOnMain = rt.isMainThread(); });
    });
    ASSERT_TRUE(spinUntil([&] { return mainOnMain && timerOnMain; }));
    EXPECT_TRUE(workerOffMain);
}

TEST(QtRuntime, SerialQueueKeepsOrderAndSyncWaitsForEarlierWork) {
    QtRuntime rt;
    auto queue = rt.serialQueue("com.corvane.tilewick.multiwindow");
    EXPECT_EQ(queue, rt.serialQueue("com.corvane.tilewick.multiwindow"));
    std::mutex mutex;
    QList<int> seen;
    std::atomic<bool> wrongThread{false};
    for (int i = 0; i < 200; ++i) {
        queue->async([&, i] {
            if (!queue->isCurrent())
                wrongThread = true;
            if (i == 10)
                rt.sleep(0.01);
            std::lock_guard<std::mutex> lock(mutex);
            seen << i;
        });
    }
    int sizeAtSync = -1;
    queue->sync([&] {
        std::lock_guard<std::mutex> lock(mutex);
        sizeAtSync = seen.size();
    });
    EXPECT_EQ(sizeAtSync, 200);
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(seen[i], i);
    EXPECT_FALSE(wrongThread);
    EXPECT_FALSE(queue->isCurrent());
}

TEST(QtRuntime, RepeatingTimerFiresUntilCancelled) {
    QtRuntime rt;
    int fires = 0;
    platform::RepeatingTimerRef timer = rt.every(0.001, 0, [&] {
        if (++fires == 3)
            timer->cancel();
    });
    ASSERT_TRUE(spinUntil([&] { return fires >= 3; }));
    EXPECT_FALSE(timer->isActive());
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(fires, 3);
}

TEST(QtRuntime, ATimerWithAToleranceNeverTicksBeforeItsTime) {
    using std::chrono::steady_clock;
    auto seconds = [] {
        return std::chrono::duration<double>(steady_clock::now().time_since_epoch()).count();
    };
    // A very coarse timer keeps whole seconds of this clock: started early in one, Qt's own timer
    // wakes at the next whole second, a quarter of a second or so before its time.
    while (std::fmod(seconds(), 1.0) < 0.2 || std::fmod(seconds(), 1.0) > 0.4)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QtRuntime rt;
    const double start = seconds();
    QList<double> ticks;
    auto timer = rt.every(1.0, 1.0, [&] { ticks << seconds() - start; });
    ASSERT_TRUE(spinUntil([&] { return ticks.size() >= 2; }));
    EXPECT_GE(ticks[0], 1.0);
    EXPECT_GE(ticks[1], 2.0);
    EXPECT_LT(ticks[1], 3.0);
}

// A coarse Qt timer may come up to 5% early, and a tick that then waited out the rest took two
// wake-ups: the status poll did so in about half of the launches.
TEST(QtRuntime, ACoarseTimerTicksWithOneWakeUpEach) {
    struct TimerEvents : QObject {
        int count = 0;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Timer && qobject_cast<QTimer*>(watched))
                ++count;
            return false;
        }
    } timerEvents;
    QtRuntime rt;
    // Qt wakes coarse timers at multiples of 25 ms of this clock where it can: started 5 ms past
    // one, a tick of 200 ms is due 5 ms past one too.
    using std::chrono::milliseconds, std::chrono::steady_clock;
    while (std::chrono::duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() % 25 != 5)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    QCoreApplication::instance()->installEventFilter(&timerEvents);
    int ticks = 0;
    const auto timer = rt.every(0.2, 0.1, [&] { ++ticks; });
    ASSERT_TRUE(spinUntil([&] { return ticks == 3; }));
    timer->cancel();
    QCoreApplication::instance()->removeEventFilter(&timerEvents);
    EXPECT_EQ(timerEvents.count, ticks);
}

TEST(QtRuntime, ShuttingDownEndsSleepsAndDropsQueuedWork) {
    std::atomic<bool> started{false}, laterRan{false};
    {
        QtRuntime rt;
        auto queue = rt.serialQueue("poller");
        queue->async([&] {
            started = true;
            rt.sleep(3600); // ends when the runtime goes away
        });
        queue->async([&] { laterRan = true; });
        ASSERT_TRUE(spinUntil([&] { return started.load(); }));
    }
    EXPECT_FALSE(laterRan);
}

TEST(QtRuntime, ATerminationSignalDropsMainWorkQueuedBeforeTheQuit) {
    QtRuntime rt;
    platform::qt::QtTerminationSignals termination({SIGTERM});
    // The program answers a request with its quit.
    QObject::connect(&termination, &platform::TerminationSignals::terminationRequested, qApp,
                     &QCoreApplication::quit);
    int ran = 0;
    rt.async([&] {
        ++ran;
        std::raise(SIGTERM);
    });
    // Hotkeys queued before the signal, each with a move to make.
    for (int i = 0; i < 2000; ++i)
        rt.async([&] { ++ran; });
    rt.after(0, [&] { ++ran; });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_EQ(termination.received(), SIGTERM);
    EXPECT_EQ(ran, 1);
}

TEST(QtRuntime, TimerTypeFollowsTolerance) {
    EXPECT_EQ(QtRuntime::timerTypeFor(1.5, 0.0), Qt::PreciseTimer);
    EXPECT_EQ(QtRuntime::timerTypeFor(1.5, 0.05), Qt::PreciseTimer);
    EXPECT_EQ(QtRuntime::timerTypeFor(1.5, 0.5), Qt::CoarseTimer);
    EXPECT_EQ(QtRuntime::timerTypeFor(60, 10), Qt::VeryCoarseTimer);
}

TEST(QtRuntime, ClockIsTheSystemsUtcAndMonotonic) {
    QtRuntime rt;
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    const qint64 wall = rt.clock().wallMillis();
    EXPECT_LE(before, wall);
    EXPECT_LE(wall, QDateTime::currentMSecsSinceEpoch());
    const double a = rt.clock().uptime();
    EXPECT_LE(a, rt.clock().uptime());
    EXPECT_GT(a, 0);
}

} // namespace
