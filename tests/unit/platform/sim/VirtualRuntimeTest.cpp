#include "platform/sim/VirtualRuntime.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <mutex>
#include <thread>

using platform::sim::VirtualRuntime;

namespace {

// Records events from any thread.
class Trace {
public:
    void add(const QString& event) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events << event;
    }
    QStringList events() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_events;
    }

private:
    mutable std::mutex m_mutex;
    QStringList m_events;
};

TEST(VirtualRuntime, ClockStartsWhereToldAndMovesOnlyWithAdvance) {
    VirtualRuntime rt(1'700'000'000'000, 50.0);
    EXPECT_EQ(rt.clock().wallMillis(), 1'700'000'000'000);
    EXPECT_DOUBLE_EQ(rt.clock().uptime(), 50.0);
    rt.runUntilIdle();
    EXPECT_EQ(rt.clock().wallMillis(), 1'700'000'000'000);
    rt.advance(1.5);
    EXPECT_EQ(rt.clock().wallMillis(), 1'700'000'001'500);
    EXPECT_DOUBLE_EQ(rt.clock().uptime(), 51.5);
    EXPECT_DOUBLE_EQ(rt.elapsed(), 1.5);
    EXPECT_DOUBLE_EQ(rt.clock().referenceSeconds(), 1'700'000'001.5 - 978'307'200.0);
}

TEST(VirtualRuntime, MainQueueRunsInOrderOnTheCallingThread) {
    VirtualRuntime rt;
    Trace trace;
    EXPECT_TRUE(rt.isMainThread());
    rt.async([&] { trace.add("a"); });
    rt.async([&] {
        trace.add("b");
        rt.async([&] { trace.add("d"); });
    });
    rt.async([&] { trace.add(rt.isMainThread() ? "c" : "c off main"); });
    EXPECT_TRUE(trace.events().isEmpty()); // nothing runs before the test lets it
    rt.runUntilIdle();
    EXPECT_EQ(trace.events(), (QStringList{"a", "b", "c", "d"}));
}

TEST(VirtualRuntime, QueuedWorkRunsNowOnRequestAndWhatItQueuesWaits) {
    VirtualRuntime rt;
    Trace trace;
    rt.async([&] {
        trace.add("a");
        rt.async([&] { trace.add("c"); });
    });
    rt.after(0, [&] { trace.add("timer"); });
    rt.async([&] { trace.add("b"); });
    rt.runQueuedNow();
    EXPECT_EQ(trace.events(), (QStringList{"a", "b"}));
    rt.runUntilIdle();
    EXPECT_EQ(trace.events(), (QStringList{"a", "b", "c", "timer"}));
}

TEST(VirtualRuntime, TimersAtEqualDeadlinesFireInSchedulingOrder) {
    VirtualRuntime rt;
    Trace trace;
    rt.after(2.0, [&] { trace.add("late"); });
    rt.after(1.0, [&] { trace.add("first"); });
    rt.after(1.0, [&] { trace.add("second"); });
    auto timer = rt.every(1.0, 0.5, [&] { trace.add("tick"); });
    rt.after(1.0, [&] { trace.add("third"); });
    rt.advance(0.999);
    EXPECT_TRUE(trace.events().isEmpty());
    rt.advance(0.001);
    EXPECT_EQ(trace.events(), (QStringList{"first", "second", "tick", "third"}));
    rt.advance(1.0);
    EXPECT_EQ(trace.events().mid(4), (QStringList{"late", "tick"}));
}

TEST(VirtualRuntime, WorkScheduledWhileFiringRunsAtItsOwnTime) {
    VirtualRuntime rt;
    QList<double> seen;
    rt.after(1.0, [&] {
        seen << rt.elapsed();
        rt.after(0.5, [&] { seen << rt.elapsed(); });
        rt.after(0.0, [&] { seen << rt.elapsed(); });
    });
    rt.advance(3.0);
    EXPECT_EQ(seen, (QList<double>{1.0, 1.0, 1.5}));
    EXPECT_DOUBLE_EQ(rt.elapsed(), 3.0);
}

TEST(VirtualRuntime, CancelledWorkNeverRuns) {
    VirtualRuntime rt;
    int once = 0, repeated = 0, released = 0;
    auto item = rt.after(1.0, [&] { ++once; });
    auto timer = rt.every(0.5, 0.0, [&] { ++repeated; });
    auto dropped = rt.every(0.5, 0.0, [&] { ++released; });
    EXPECT_EQ(rt.pendingTimers(), 3);

    item->cancel();
    item->cancel(); // twice is harmless
    dropped.reset();
    EXPECT_EQ(rt.pendingTimers(), 1);
    rt.advance(1.0);
    EXPECT_EQ(once, 0);
    EXPECT_EQ(released, 0);
    EXPECT_EQ(repeated, 2);

    EXPECT_TRUE(timer->isActive());
    timer->cancel();
    EXPECT_FALSE(timer->isActive());
    rt.advance(5.0);
    EXPECT_EQ(repeated, 2);
    EXPECT_EQ(rt.pendingTimers(), 0);
}

TEST(VirtualRuntime, RepeatingTimerFiresOnItsIntervalAndCanStopItself) {
    VirtualRuntime rt;
    QList<double> fires;
    platform::RepeatingTimerRef timer;
    timer = rt.every(1.5, 0.5, [&] {
        fires << rt.elapsed();
        if (fires.size() == 5)
            timer->cancel();
    });
    rt.advance(6.0);
    EXPECT_EQ(fires, (QList<double>{1.5, 3.0, 4.5, 6.0}));
    rt.advance(100.0);
    ASSERT_EQ(fires.size(), 5);
    EXPECT_DOUBLE_EQ(fires.last(), 7.5);
}

TEST(VirtualRuntime, WorkerPollingOnVirtualTimeFinishesInstantly) {
    VirtualRuntime rt;
    auto queue = rt.serialQueue("com.corvane.tilewick.appsnaps");
    std::atomic<bool> windowAppeared{false};
    int polls = 0;
    double gaveUpAt = -1;
    bool onMainWithResult = false;

    // Polls every 0.2 s for up to 20 s, then reports on the main queue.
    queue->async([&] {
        for (int i = 0; i < 100 && !windowAppeared; ++i) {
            ++polls;
            rt.sleep(0.2);
        }
        gaveUpAt = rt.elapsed();
        rt.async([&] { onMainWithResult = rt.isMainThread(); });
    });

    rt.runUntilIdle();
    EXPECT_EQ(polls, 1); // asleep after the first poll
    rt.advance(10.0);
    EXPECT_EQ(polls, 51);
    EXPECT_FALSE(onMainWithResult);
    rt.advance(10.0);
    EXPECT_EQ(polls, 100);
    EXPECT_NEAR(gaveUpAt, 20.0, 1e-9);
    EXPECT_TRUE(onMainWithResult);
}

TEST(VirtualRuntime, WorkerStopsPollingWhenTheMainThreadChangesState) {
    VirtualRuntime rt;
    auto queue = rt.serialQueue("poller");
    std::atomic<bool> found{false};
    double foundAt = -1;
    queue->async([&] {
        while (!found)
            rt.sleep(0.2);
        foundAt = rt.elapsed();
    });
    rt.after(1.1, [&] { found = true; });
    rt.advance(5.0);
    // The poll at 1.2 s is the first to see the change.
    EXPECT_NEAR(foundAt, 1.2, 1e-9);
}

TEST(VirtualRuntime, SleepersAndTimersShareOneOrder) {
    VirtualRuntime rt;
    Trace trace;
    auto queue = rt.serialQueue("q");
    queue->async([&] {
        rt.sleep(1.0);
        trace.add("worker woke");
    });
    rt.runUntilIdle(); // the worker's sleep is scheduled before the timer
    rt.after(1.0, [&] { trace.add("timer"); });
    rt.advance(1.0);
    EXPECT_EQ(trace.events(), (QStringList{"worker woke", "timer"}));
}

TEST(VirtualRuntime, SerialQueueRunsInOrderOnItsOwnWorker) {
    VirtualRuntime rt;
    auto queue = rt.serialQueue("com.corvane.tilewick.multiwindow");
    EXPECT_EQ(queue, rt.serialQueue("com.corvane.tilewick.multiwindow"));
    EXPECT_NE(queue, rt.serialQueue("other"));
    EXPECT_EQ(queue->label(), "com.corvane.tilewick.multiwindow");
    EXPECT_FALSE(queue->isCurrent());

    Trace trace;
    for (int i = 0; i < 20; ++i) {
        queue->async([&, i] {
            trace.add(QString::number(i));
            if (!queue->isCurrent() || rt.isMainThread())
                trace.add("wrong thread");
            if (i == 3)
                rt.sleep(0.5); // later items wait for it
        });
    }
    rt.runUntilIdle();
    EXPECT_EQ(trace.events().size(), 4);
    rt.advance(0.5);
    QStringList expected;
    for (int i = 0; i < 20; ++i)
        expected << QString::number(i);
    EXPECT_EQ(trace.events(), expected);
}

TEST(VirtualRuntime, SyncWaitsForEarlierItemsIncludingSleepingOnes) {
    VirtualRuntime rt;
    auto queue = rt.serialQueue("com.veldorpellrath.betakit.log");
    Trace trace;
    queue->async([&] { trace.add("first"); });
    queue->async([&] {
        rt.sleep(3.0);
        trace.add("after sleep");
    });
    queue->sync([&] { trace.add("sync"); });
    EXPECT_EQ(trace.events(), (QStringList{"first", "after sleep", "sync"}));
    EXPECT_DOUBLE_EQ(rt.elapsed(), 3.0);
}

TEST(VirtualRuntime, SyncRunsNoMainWorkAndLeavesTimersOverdue) {
    VirtualRuntime rt;
    auto queue = rt.serialQueue("q");
    Trace trace;
    rt.async([&] { trace.add("main"); });
    rt.after(1.0, [&] { trace.add("timer"); });
    queue->async([&] { rt.sleep(2.0); });
    queue->sync([&] { trace.add("sync"); });
    EXPECT_EQ(trace.events(), QStringList{"sync"});
    rt.runUntilIdle();
    EXPECT_EQ(trace.events(), (QStringList{"sync", "main", "timer"}));
}

TEST(VirtualRuntime, WorkerSyncOnAnotherQueue) {
    VirtualRuntime rt;
    auto a = rt.serialQueue("a");
    auto b = rt.serialQueue("b");
    Trace trace;
    b->async([&] {
        rt.sleep(1.0);
        trace.add("b slept");
    });
    a->async([&] {
        b->sync([&] { trace.add("b sync from a"); });
        trace.add("a done");
    });
    rt.runUntilIdle();
    EXPECT_TRUE(trace.events().isEmpty());
    rt.advance(1.0);
    EXPECT_EQ(trace.events(), (QStringList{"b slept", "b sync from a", "a done"}));
}

TEST(VirtualRuntime, GlobalQueueRunsConcurrentWorkOffTheMainThread) {
    VirtualRuntime rt;
    Trace trace;
    std::atomic<int> offMain{0};
    // Two sleeping tasks overlap: the second does not wait for the first.
    rt.global([&] {
        offMain += !rt.isMainThread();
        rt.sleep(2.0);
        trace.add("slow");
    });
    rt.global([&] {
        offMain += !rt.isMainThread();
        rt.sleep(1.0);
        trace.add("fast");
        rt.async([&] { trace.add("back on main"); });
    });
    rt.advance(1.0);
    EXPECT_EQ(trace.events(), (QStringList{"fast", "back on main"}));
    rt.advance(1.0);
    EXPECT_EQ(trace.events().last(), "slow");
    EXPECT_EQ(offMain, 2);
}

TEST(VirtualRuntime, ReadyWorkersTakeOneTurnEachInTheOrderTheyBecameReady) {
    VirtualRuntime rt;
    Trace trace;
    auto a = rt.serialQueue("a");
    auto b = rt.serialQueue("b");
    auto c = rt.serialQueue("c");
    for (int i = 0; i < 2; ++i) {
        c->async([&, i] { trace.add(QString("c%1").arg(i)); });
        a->async([&, i] { trace.add(QString("a%1").arg(i)); });
    }
    rt.global([&] { trace.add("g"); });
    b->async([&] { trace.add("b0"); });
    rt.runUntilIdle();
    EXPECT_EQ(trace.events(), (QStringList{"c0", "a0", "g", "b0", "c1", "a1"}));
}

TEST(VirtualRuntime, RunsTheSameWayEveryTime) {
    auto runOnce = [] {
        VirtualRuntime rt;
        Trace trace;
        auto a = rt.serialQueue("a");
        auto b = rt.serialQueue("b");
        for (int i = 0; i < 5; ++i) {
            a->async([&, i] {
                trace.add(QString("a%1").arg(i));
                rt.async([&, i] { trace.add(QString("m%1").arg(i)); });
            });
            b->async([&, i] {
                rt.sleep(0.1 * i);
                trace.add(QString("b%1").arg(i));
            });
            rt.global([&, i] { trace.add(QString("g%1").arg(i)); });
        }
        rt.advance(1.0);
        return trace.events();
    };
    const QStringList first = runOnce();
    EXPECT_EQ(first.size(), 20);
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(runOnce(), first);
}

TEST(VirtualRuntime, DestroyingUnwindsBlockedWorkers) {
    std::atomic<int> unwound{0};
    struct Guard {
        std::atomic<int>& count;
        ~Guard() { ++count; }
    };
    {
        VirtualRuntime rt;
        auto queue = rt.serialQueue("forever");
        queue->async([&] {
            Guard guard{unwound};
            for (;;)
                rt.sleep(1.0);
        });
        queue->async([&] { ADD_FAILURE() << "dropped work must not run"; });
        rt.global([&] {
            Guard guard{unwound};
            rt.serialQueue("forever")->sync([] {});
        });
        rt.advance(3.0);
        EXPECT_EQ(rt.pendingTimers(), 0);
    }
    EXPECT_EQ(unwound, 2);
}

TEST(VirtualRuntimeDeathTest, SyncThatCanNeverFinishStops) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            VirtualRuntime rt;
            auto a = rt.serialQueue("a");
            auto b = rt.serialQueue("b");
            a->async([&] { b->sync([&] { a->sync([] {}); }); });
            a->sync([] {});
        },
        "can never finish|own serial queue");
}

} // namespace
